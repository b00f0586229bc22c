#pragma once

// Where the programs find their data files: the palettes, the start-up logo
// and the icon. Two places are looked at, in this order:
//  1. `data/` beside the executable: the build tree, or a copy of the
//     programs unpacked anywhere;
//  2. `../share/spritewright/` relative to the executable's folder: an
//     installed tree (`bin/` and `share/` under one prefix).

#include <filesystem>

// The folder of the running executable.
std::filesystem::path ProgramFolder();

// The data folder of a program in `programFolder`: the first of the two
// places that is a folder; the first place when neither is, so that a
// message about a missing file names where it was expected.
std::filesystem::path FindDataFolder(const std::filesystem::path& programFolder);

// The palette catalogue's folder inside a data folder.
std::filesystem::path PaletteFolder(const std::filesystem::path& dataFolder);
