#pragma once

// Building a sprite from a description and the images it names: the
// reverse of ExportAllFrames.

#include "DC6File.h"
#include "Palette.h"
#include "Progress.h"

#include <filesystem>
#include <string>

// Replaces `doc` with the described sprite: every frame cut out of its
// image, colours matched to `palette` as an import does (pictures of more
// than 8 bits first dithered to it), offsets set. On failure `doc` is left
// empty, or as it was when the description itself could not be used, and
// `error` holds the message. `described` (when not null) receives the
// description's FileName. `progress` hears of every frame built and may
// cancel the build (kCancelledText, `doc` left empty).
bool BuildFromIni(const std::filesystem::path& description, const CPalette& palette, CDC6File& doc,
                  std::string& error, std::string* described = nullptr,
                  const CProgress& progress = {});
