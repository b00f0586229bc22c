#pragma once

// Exporting every frame of a sprite as image files with a description of
// the sprite beside them: <folder>/<name>_<ext>/<name>_<ext>.ini, and either
// <dd>/<ffff>.<ext> per frame or, animated (GIF only), one <dd>.gif per
// direction. Within a direction every image is padded with index 0 to the
// direction's canvas, the smallest rectangle that holds all its frames at
// their offsets.

#include "DC6File.h"
#include "Palette.h"
#include "Progress.h"

#include <filesystem>
#include <string>

struct CExportFormat {
    std::string strExtension; // "bmp", "pcx", "gif", "tif", "jpg", "png"
    int nType;                // its image type code
};

// The format an extension names (lower case, without a dot); false for any
// other text.
bool ExportFormatFromExtension(const std::string& extension, CExportFormat& format);

// Animations play at the game's rate unless asked otherwise; each picture
// shows round(100 / rate) hundredths of a second.
constexpr int kDefaultFramesPerSecond = 25;
constexpr int kMaxFramesPerSecond = 100;

// The pictures of one export hold at most this many pixels in all, as many
// as a sprite's frames may hold: frames that lie far apart make large
// canvases, and a sprite of a few small frames could otherwise fill a disk.
constexpr int64_t kMaxExportPixels = CDC6File::kMaxSpritePixels;

// Exports into a new folder under `folder`; `animated` counts only for GIF,
// whose animations play at `framesPerSecond` (1 to kMaxFramesPerSecond).
// The description's path goes to `description`. Each picture is written as
// soon as it is made. False with the message at the first failure: a sprite
// whose canvases are too large (checked before anything is written);
// "Unable to Create Directory!!\n[<folder>]" when the export folder exists
// already or a folder cannot be made; "Could not save <file> (<reason>)"
// when a file cannot be written. `progress` hears of every picture written
// and may cancel the export (kCancelledText). An export that fails or is
// cancelled after its folder was made removes the folder again: nothing
// half-written is left.
bool ExportAllFrames(const CDC6File& doc, const CPalette& palette,
                     const std::filesystem::path& folder, const CExportFormat& format,
                     bool animated, std::filesystem::path& description, std::string& error,
                     int framesPerSecond = kDefaultFramesPerSecond, const CProgress& progress = {});
