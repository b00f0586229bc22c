#pragma once

// Touch-up edits of a frame's pixels: one pixel, a line, a flood fill, and
// one palette index replaced by another. Points are pixel buffer
// coordinates: x to the right, y the buffer row (row 0 at the bottom). The
// edits touch the frame's own pixels only: a point outside the frame does
// nothing, and a frame's size never changes. Each returns how many pixels
// it changed.

#include "DC6File.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

// Pixel (x, y) becomes `index`.
int64_t SetPixel(DC6PixelView view, int x, int y, uint8_t index);

// The line from (x0, y0) to (x1, y1), both ends included, becomes `index`:
// one pixel for each step along the longer axis, the one nearest the ideal
// line (as Bresenham's algorithm chooses them), so that consecutive pixels
// touch at least at a corner and a stroke made of such lines has no gaps.
// The part of the line outside the frame is left out.
int64_t DrawLine(DC6PixelView view, int x0, int y0, int x1, int y1, uint8_t index);

// The 4-connected area of pixels of the index at (x, y) that holds (x, y)
// becomes `index`.
int64_t FloodFill(DC6PixelView view, int x, int y, uint8_t index);

// Every pixel of index `from` becomes `to`.
int64_t ReplaceIndex(DC6PixelView view, uint8_t from, uint8_t to);

// Every pixel of index `from` in some frames of a sprite becomes `to`: frame
// `frame` of direction `direction`, -1 standing for all of them (so -1, -1 is
// the whole sprite, d, -1 one direction, -1, f frame number f of every
// direction). Before a frame changes, `beforeChange` (when given) is handed
// its flat index and its pixels as they were. False with the reason in
// `error`, and nothing changed, when the sprite has no such direction or
// frame. `changed` counts the pixels changed.
bool ReplaceIndex(CDC6File& doc, uint8_t from, uint8_t to, int direction, int frame,
                  int64_t& changed, std::string& error,
                  const std::function<void(int, std::span<const uint8_t>)>& beforeChange = {});
