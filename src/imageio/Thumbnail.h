#pragma once

// Thumbnails of sprites for file managers: the first frame of a DC6 file
// (frame 0 of direction 0) through a palette, scaled with nearest neighbour
// to fit a square, transparent where its index is 0.

#include "DC6File.h"
#include "Image.h"
#include "Palette.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

// Limits on the work that one thumbnail may take, whatever the file asks
// for: the frame is read alone, and it may hold this many pixels at most.
constexpr int kMaxThumbnailSize = 1024;
constexpr int64_t kMaxThumbnailFramePixels =
    std::min(int64_t{1} << 24, CDC6File::kMaxFramePixels); // e.g. 4096 x 4096
// Any encoding of a frame of P pixels without idle codes takes at most 3P
// bytes: two a pixel in runs of one pixel, and one a row.
constexpr int64_t kMaxThumbnailEncodedBytes = 3 * kMaxThumbnailFramePixels;

// The thumbnail's size for a frame of width x height and a square of side
// `size` (taken as 1 to kMaxThumbnailSize): a larger frame shrinks to fit,
// a smaller one grows by the largest whole factor that fits, so that its
// pixels stay square and even.
void ThumbnailSize(int width, int height, int size, int& outWidth, int& outHeight);

// The frame as an 8-bit picture of ThumbnailSize, coloured by the palette,
// with index 0 as its transparency index.
bool MakeThumbnail(const DC6Frame& frame, int size, const CPalette& palette, CImage& out);

// The thumbnail of the first frame of a DC6 file, read within the limits
// above; false with the reason when the file cannot give one.
bool MakeDC6Thumbnail(const std::filesystem::path& path, int size, const CPalette& palette,
                      CImage& out, std::string& error);
bool MakeDC6Thumbnail(std::span<const uint8_t> data, int size, const CPalette& palette, CImage& out,
                      std::string& error);
