#pragma once

// Palette files as paint programs and games keep them, read and written.
//
// A reader knows a file by its content first and its extension second:
// - JASC-PAL text (first line "JASC-PAL"), often named .pal;
// - GIMP palettes (first line "GIMP Palette"), .gpl;
// - RIFF palettes ("RIFF" ... "PAL " with a "data" chunk);
// - the colour table of an indexed PNG, GIF, BMP, PCX or TIFF picture;
// - Adobe colour tables (.act): 256 entries of red, green, blue (768
//   bytes), or 772 bytes with a trailer of a colour count and a
//   transparent index (both big-endian), which is known by its content;
// - raw palettes: 256 entries of blue, green, red (768 bytes), as the game's
//   .dat files and the catalogue's .pal files are. A raw 768-byte file is
//   blue-green-red unless its extension is .act.
// A palette of fewer than 256 colours gets black entries for the rest;
// nColours says how many the file gave. More than 256 colours, a malformed
// line or chunk, a raw file that is not 768 bytes and an unknown format are
// refused with a reason that names the file.

#include "Palette.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class PaletteFormat { Raw, Act, Jasc, Gpl, Riff, Image };

// What a file of no other format may be.
enum class RawPalettes {
    // exactly 768 bytes
    Exact,
    // any length, as the catalogue's files: a short file's missing entries
    // are black, bytes past the 768th are not read
    Catalogue,
};

struct CPaletteFile {
    CPalette palette{}; // 256 entries, reserved byte 1
    PaletteFormat format = PaletteFormat::Raw;
    int nColours = 0; // entries the file gave, 1 to 256; the rest are black
};

// Reads the palette in `data`; `name` is the file's name, for its extension
// and for messages.
bool DecodePalette(std::span<const uint8_t> data, const std::filesystem::path& name,
                   RawPalettes raw, CPaletteFile& out, std::string& error);
// Reads the palette file at `path`; `bytes`, when given, receives the file.
bool ReadPalette(const std::filesystem::path& path, RawPalettes raw, CPaletteFile& out,
                 std::string& error, std::vector<uint8_t>* bytes = nullptr);
// "NAME has N colours; entries N to 255 are black", or nothing for a full
// palette.
std::string ShortPaletteNote(const std::filesystem::path& name, const CPaletteFile& file);

// The bytes of `palette` in `format` (not Image); `title` names the palette
// inside the formats that have a name (GIMP).
std::vector<uint8_t> EncodePalette(const CPalette& palette, PaletteFormat format,
                                   std::string_view title);
// Writes `palette` to `path` in `format`; the file it replaces is never
// damaged.
bool WritePalette(const std::filesystem::path& path, const CPalette& palette, PaletteFormat format,
                  std::string& error);

// "raw", "act", "jasc", "gpl", "riff" and back.
std::optional<PaletteFormat> PaletteFormatFromName(std::string_view name);
const char* PaletteFormatName(PaletteFormat format);
// The format a file name asks for when written: .act, .gpl, and raw for .pal
// and .dat (the catalogue's and the game's format).
std::optional<PaletteFormat> PaletteFormatFromExtension(const std::filesystem::path& path);
