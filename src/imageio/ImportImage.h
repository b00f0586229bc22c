#pragma once

// Importing an image file into the frames of a sprite: its colours matched to
// a palette, an oversized picture cut into 256 x 256 frames, the images of a
// GIF spread over consecutive frames.

#include "DC6File.h"
#include "Palette.h"

#include <filesystem>
#include <functional>
#include <string>

// A frame holds at most this many pixels across and down before an import
// offers to cut the picture.
constexpr int kImportFrameLimit = 256;

// The questions an import may ask, each answered true for Yes.
struct CImportQuestions {
    // The picture is larger than a frame: cut it into frames?
    std::function<bool()> SplitOversized;
    // The GIF holds several images: import all of them?
    std::function<bool()> ImportAllImages;
    // Several images: insert them (true) or overwrite the frames from the
    // selected one on (false)?
    std::function<bool()> InsertImages;
};

struct CImportResult {
    // Blank frame numbers added to every direction (the frame list grows by
    // as many).
    int nFramesAdded = 0;
};

// Imports the image file at `path` into frame `frame` of direction
// `direction`. The colour rule: index 0 stays 0, a transparent pixel becomes
// 0, an index whose colour is the palette's colour at that index stays
// itself, any other index becomes the palette entry nearest to its colour;
// pictures of more than 8 bits are first matched to the palette with error
// diffusion. On failure nothing is changed and `error` holds the message.
bool ImportImage(CDC6File& doc, int direction, int frame, const std::filesystem::path& path,
                 const CPalette& palette, const CImportQuestions& questions, CImportResult& result,
                 std::string& error);
