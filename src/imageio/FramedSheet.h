#pragma once

// Putting consecutive frames of a sprite's first direction back together on
// a grid of 256 x 256 cells: the frames an oversized picture was cut into
// give that picture again.

#include "DC6File.h"
#include "Image.h"
#include "Palette.h"

#include <string>

struct CSheetLayout {
    int nStart = 0;  // the first frame, a frame number of direction 0
    int nAcross = 2; // cells per row, 1 to kMaxSheetCells
    int nDown = 2;   // cells per column, 1 to kMaxSheetCells
};

constexpr int kSheetCell = 256;
constexpr int kMaxSheetCells = 10;

enum class SheetResult {
    Ok,
    NotEnoughFrames, // fewer frames from the start to the end of the direction
    NotFullSized,    // the first frame is narrower or lower than a cell
    DoesNotFit,      // a frame's size does not fit its place in the grid
    BadLayout,       // start, across or down out of range
};

// Cell (row j from the top, column i) holds frame start + j x across + i.
// Every frame above the bottom row must be 256 high and every frame left of
// the last column 256 wide; the bottom row's frames must be equally high and
// the last column's equally wide. The sheet is 8-bit with `palette`.
// Anything but Ok leaves a message in `message` (empty for NotEnoughFrames).
SheetResult ComposeFramedSheet(const CDC6File& doc, const CSheetLayout& layout,
                               const CPalette& palette, CImage& sheet, std::string& message);
