#pragma once

// Writing one frame of a sprite as an image file: 8 bits with the frame's
// indices unchanged and the palette as its colour table (24 bits at the best
// quality for JPG, which has no palette).

#include "DC6File.h"
#include "Palette.h"

#include <filesystem>
#include <string>

// `type` is an image type code (ImageTypeFromExtension of the path for the
// window and the command line). False with "Could not save <path>" and the
// reason when the file cannot be written.
bool ExportFrame(const CDC6File& doc, int index, const CPalette& palette,
                 const std::filesystem::path& path, int type, std::string& error);
