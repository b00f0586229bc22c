// Reads arbitrary bytes as a palette file: the first byte names the file's
// extension and whether it is read as a catalogue file, the rest is the
// file. Whatever reads must hold 1 to 256 colours, black past them, and
// come back unchanged from every format it can be written in, under a name
// that says nothing. (Entry 0 is made black for that, as the game's is: a
// raw palette's first colours could otherwise spell another format's
// header.)

#include "PaletteFormats.h"

#include <cstdlib>
#include <cstring>

namespace {

const char* const kNames[] = {"f.pal", "f.act", "f.gpl", "f.dat", "f.png",
                              "f.gif", "f.bmp", "f.txt", "f"};

bool Same(const CPalette& a, const CPalette& b)
{
    return std::memcmp(a.data(), b.data(), sizeof(CPalette)) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const char* name = kNames[data[0] % std::size(kNames)];
    const RawPalettes raw = data[0] & 0x80 ? RawPalettes::Catalogue : RawPalettes::Exact;
    CPaletteFile read;
    std::string error;
    if (!DecodePalette(std::span<const uint8_t>(data + 1, size - 1), name, raw, read, error))
        return 0;
    if (read.nColours < 1 || read.nColours > 256)
        std::abort();
    for (size_t i = 0; i < read.palette.size(); ++i) {
        const RGBQUAD& c = read.palette[i];
        const bool black = c.rgbRed == 0 && c.rgbGreen == 0 && c.rgbBlue == 0;
        if (c.rgbReserved != 1 || (i >= static_cast<size_t>(read.nColours) && !black))
            std::abort();
    }
    CPalette palette = read.palette;
    palette[0] = RGBQUAD{0, 0, 0, 1};
    for (PaletteFormat format : {PaletteFormat::Raw, PaletteFormat::Act, PaletteFormat::Jasc,
                                 PaletteFormat::Gpl, PaletteFormat::Riff}) {
        const std::vector<uint8_t> bytes = EncodePalette(palette, format, "fuzz");
        CPaletteFile again;
        if (!DecodePalette(bytes, "again.bin", RawPalettes::Exact, again, error) ||
            !Same(again.palette, palette) || again.format != format)
            std::abort();
    }
    return 0;
}
