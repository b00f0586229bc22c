#pragma once

// Moving pictures between frames and images.

#include "DC6File.h"
#include "Image.h"
#include "Palette.h"

#include <string>

// A frame of a sprite as an 8-bit picture: the frame's indices unchanged,
// its rows in the same order, the palette as its colour table.
bool FrameToImage(const CDC6File& doc, int index, const CPalette& palette, CImage& image,
                  std::string& error);

// Readies a picture of frame indices for a file of `type`. JPG holds no
// palette: the picture becomes 24 bits, saved at `jpegQuality`. PNG marks
// index 0 transparent, so that paint programs show the sprite on
// transparency and an import reads 0 back. Every other type keeps index 0
// as an ordinary colour.
void PrepareForFileType(CImage& image, int type, int jpegQuality);

// Brings a picture to one palette index a pixel: deeper pictures are matched
// to the palette with error diffusion, shallower ones widened to 8 bits.
void ReduceToIndexed(CImage& image, const CPalette& palette);

// Writes an 8-bit picture into frame `index` at the picture's size: index 0
// stays 0, the picture's transparency index and pixels of alpha below 128
// become 0, an index i whose colour equals palette entry i stays i, any
// other index becomes the palette entry nearest to its colour (the lowest
// of equal ones).
void ImageToFrame(CDC6File& doc, int index, const CImage& image, const CPalette& palette);
