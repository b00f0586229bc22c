#pragma once

// Palettes: 256 colours that give a frame's palette indices their colours,
// and where they are found. The catalogue (palettes.ini in the program's
// data/pal folder) names one palette file NAME.pal per line; the user's own
// palettes, of any format PaletteFormats.h reads, lie in the user palette
// folder under their file names.

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

// Reads `count` (at most 256) entries of the catalogue's palette file at
// `path` into `table`; the reserved byte of each becomes 1. A raw file (256
// entries of blue, green, red) may be short: the entries past its end become
// black. Returns 1 when the file was read, 0 (table untouched) when it could
// not be opened, is no regular file or is a palette of another format that cannot be read.
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

// $XDG_DATA_HOME/spritewright/pal, by default ~/.local/share/spritewright/pal:
// the palettes the user added. Empty when no home folder is known.
std::filesystem::path UserPaletteFolder();

// The names of the palettes in the user palette folder: the file names of
// its files (hidden ones left out), sorted without regard to case. Nothing
// when there is no such folder.
std::vector<std::string> ListUserPalettes(const std::filesystem::path& folder);

struct CPaletteFile;

// The palette a user names: a path when the name holds a '/'; else a
// catalogue name, then the name of a user palette, then a file in the
// working folder; the catalogue's first entry when `name` is empty.
// `file` receives the file read. False with a reason when there is no such
// palette or it cannot be read.
bool ResolvePalette(const std::string& name, const std::filesystem::path& catalogueFolder,
                    const std::filesystem::path& userFolder, CPaletteFile& out,
                    std::filesystem::path& file, std::string& error);

// The catalogue's first palette in `catalogueFolder`, or a grey ramp when
// there is none that can be read (thumbnails and other views without a
// choice of palette).
CPalette FirstCataloguePalette(const std::filesystem::path& catalogueFolder);
