#pragma once

// The atlas of a sprite sheet: a JSON file in the array form that pixel-art
// editors and game engines read. "frames" lists every frame in flat order
// (direction-major), each with
//   "filename"          "DD_FFFF", its direction and frame number;
//   "frame"             {x, y, w, h}, its rectangle in the sheet, counted
//                       from the sheet's top left;
//   "rotated"           false;
//   "trimmed"           whether the frame is smaller than its source;
//   "spriteSourceSize"  {x, y, w, h}, where the frame lies in its source;
//   "sourceSize"        {w, h}, the source: the direction's canvas, the
//                       smallest rectangle that holds all its frames at
//                       their offsets, so that frames drawn at
//                       spriteSourceSize stay registered;
//   "duration"          how long it shows, in milliseconds;
// and what a DC6 needs besides:
//   "offset"            {x, y}, the frame's drawing offsets;
//   "origin"            {x, y}, the canvas's top left corner in offset
//                       coordinates (x right, y down, (0, 0) the point the
//                       game draws the sprite at), so that
//                       spriteSourceSize.x = offset.x - origin.x and
//                       spriteSourceSize.y = offset.y - h - origin.y.
// "meta" holds "app", "version", "image" (the sheet's file), "format"
// "I8", "size" {w, h} of the sheet, "scale" "1", "frameTags" (one
// animation per direction), and "directions", "framesPerDirection" and
// "termination" (the header's four termination bytes as 8 hex digits).

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

struct CAtlasRect {
    int64_t x = 0;
    int64_t y = 0;
    int64_t w = 0;
    int64_t h = 0;

    friend bool operator==(const CAtlasRect&, const CAtlasRect&) = default;
};

struct CAtlasFrame {
    std::string strName;
    CAtlasRect frame;
    bool bTrimmed = false;
    CAtlasRect spriteSource;
    int64_t nSourceWidth = 0;
    int64_t nSourceHeight = 0;
    int nDuration = 0;
    int nOffsetX = 0;
    int nOffsetY = 0;
    int64_t nOriginX = 0;
    int64_t nOriginY = 0;

    friend bool operator==(const CAtlasFrame&, const CAtlasFrame&) = default;
};

struct CSheetAtlas {
    std::string strImage;
    int nWidth = 0;
    int nHeight = 0;
    int nDirections = 0;
    int nFramesPerDirection = 0;
    std::array<uint8_t, 4> termination{};
    std::vector<CAtlasFrame> frames;

    friend bool operator==(const CSheetAtlas&, const CSheetAtlas&) = default;
};

// An atlas file may not be larger than this.
constexpr int64_t kMaxAtlasBytes = int64_t{64} << 20;

// "DD_FFFF": the name of frame f of direction d.
std::string AtlasFrameName(int direction, int frame);

// The atlas as JSON text.
std::string WriteSheetAtlas(const CSheetAtlas& atlas);

// Reads an atlas. Needed: meta's size, directions, framesPerDirection and
// termination, and each frame's filename (the name of its place in the
// list), frame and offset. Checked when present: rotated (false), trimmed,
// spriteSourceSize and sourceSize (the frame's size, inside the source),
// origin (it agrees with the offsets and spriteSourceSize), duration, and
// meta's scale ("1"). A frame without spriteSourceSize is its own source;
// without origin, the origin follows from the offsets; without duration it
// lasts 0. Other keys are not looked at, so that writing what was read
// gives an atlas that reads the same. The grid must stay within the document's limits on
// frames and pixels. False with a message that names the frame and the
// key at the first fault.
bool ReadSheetAtlas(std::string_view text, CSheetAtlas& atlas, std::string& error);
// The same from a file of at most kMaxAtlasBytes.
bool ReadSheetAtlasFile(const std::filesystem::path& path, CSheetAtlas& atlas, std::string& error);

// Checks the atlas against a sheet of width x height: the sizes agree and
// every frame's rectangle lies inside the sheet. False with a message
// naming the frame.
bool CheckSheetAtlas(const CSheetAtlas& atlas, int width, int height, std::string& error);
