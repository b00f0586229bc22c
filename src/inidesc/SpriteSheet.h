#pragma once

// A sprite as one sheet picture with a JSON atlas (SheetAtlas.h), the
// round trip that paint programs and game engines understand, and back.

#include "DC6File.h"
#include "ExportAll.h"
#include "Image.h"
#include "Palette.h"
#include "SheetAtlas.h"

#include <filesystem>
#include <string>

enum class SheetLayout {
    Rows,    // a row of cells per direction, frames left to right
    Columns, // a column of cells per direction, frames top to bottom
    Packed,  // every cell packed into a near-square sheet
};

enum class SheetCanvas {
    Registered, // a cell is the direction's canvas, the frame at its offsets
    Trimmed,    // a cell is the frame itself
};

constexpr int kMaxSheetPadding = 256;

struct CSheetOptions {
    SheetLayout layout = SheetLayout::Rows;
    SheetCanvas canvas = SheetCanvas::Registered;
    // Pixels between cells, 0 to kMaxSheetPadding.
    int nPadding = 0;
    // Each frame shows round(1000 / this) milliseconds (1 to
    // kMaxFramesPerSecond).
    int nFramesPerSecond = kDefaultFramesPerSecond;
};

// Lays every frame of the sprite out on one 8-bit sheet with `palette`,
// index 0 around the frames, and describes it in `atlas` (whose image name
// stays empty). False with the reason when the options are out of range or
// the sheet would be larger than a picture may be.
bool ComposeSpriteSheet(const CDC6File& doc, const CPalette& palette, const CSheetOptions& options,
                        CImage& sheet, CSheetAtlas& atlas, std::string& error);

// Writes the sheet (its type by the extension: PNG, BMP, GIF, TIF or PCX;
// PNG marks index 0 transparent) and its atlas, which names the sheet by
// its path from the atlas's folder. Neither file is touched on failure.
bool ExportSpriteSheet(const CDC6File& doc, const CPalette& palette, const CSheetOptions& options,
                       const std::filesystem::path& sheetPath,
                       const std::filesystem::path& atlasPath, std::string& error);

// Builds the sprite of a sheet and its atlas into `doc`: each frame cut
// from its rectangle, its colours matched to `palette` as an import matches
// them (an index whose colour is the palette's own at that index stays
// itself; pictures of more than 8 bits are matched with error diffusion,
// frame by frame), its offsets, the grid and the termination bytes from
// the atlas. Every atlas value is checked first; on failure `doc` is not
// touched and `error` names the fault.
bool ImportSpriteSheet(const std::filesystem::path& sheetPath,
                       const std::filesystem::path& atlasPath, const CPalette& palette,
                       CDC6File& doc, std::string& error);
