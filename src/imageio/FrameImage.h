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

// Brings a picture to one palette index a pixel: deeper pictures are matched
// to the palette with error diffusion, shallower ones widened to 8 bits.
void ReduceToIndexed(CImage& image, const CPalette& palette);

// Writes an 8-bit picture into frame `index` at the picture's size: index 0
// stays 0, the picture's transparency index and pixels of alpha below 128
// become 0, any other index the palette entry nearest to its colour.
void ImageToFrame(CDC6File& doc, int index, const CImage& image, const CPalette& palette);
