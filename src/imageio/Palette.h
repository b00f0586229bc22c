#pragma once

// Palettes: 256 colours that give a frame's palette indices their colours.
// A palette file holds 256 entries of blue, green, red (768 bytes, no
// header); a catalogue file names one palette per line.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// One colour table entry, in the order a palette file stores it.
struct RGBQUAD {
    uint8_t rgbBlue;
    uint8_t rgbGreen;
    uint8_t rgbRed;
    uint8_t rgbReserved;
};
static_assert(sizeof(RGBQUAD) == 4);

using CPalette = std::array<RGBQUAD, 256>;

// Reads `count` entries of the palette file at `path` into `table`; the
// reserved byte of each becomes 1. Entries past the end of a short file
// become black. Returns 1 when the file could be opened, 0 (table untouched)
// when not, or when it is no regular file.
int ReadPaletteFile(const std::filesystem::path& path, RGBQUAD* table, int count);

// A grey ramp (entry i is i, i, i), shown until a palette has been read.
CPalette GreyRampPalette();

// The names of a catalogue file, one a line, in file order, without line
// breaks (LF or CR LF). A line longer than kMaxPaletteName characters is cut
// to that length and ends the catalogue; the line break that ends the file
// does not make an empty name; no more than the first kMaxCatalogueBytes
// are read. Nothing when the file cannot be read.
constexpr size_t kMaxPaletteName = 255;
constexpr int64_t kMaxCatalogueBytes = int64_t{1} << 20;
std::optional<std::vector<std::string>> ReadPaletteCatalogue(const std::filesystem::path& path);

// The palette file that a catalogue name stands for, in the catalogue's folder.
std::filesystem::path PaletteFilePath(const std::filesystem::path& folder, const std::string& name);

// The palette a user names: a path to a palette file (anything with a
// folder separator or ending in ".pal"), or the name of a catalogue entry in
// paletteFolder; the catalogue's first entry when `name` is empty. False
// with a reason when the palette cannot be read.
bool ResolvePalette(const std::string& name, const std::filesystem::path& paletteFolder,
                    CPalette& out, std::string& error);
