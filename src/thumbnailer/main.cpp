// spritewright-thumbnailer: the thumbnail of a DC6 sprite for file managers.

#include "DataFolder.h"
#include "Image.h"
#include "Palette.h"
#include "Thumbnail.h"

#include <charconv>
#include <cstring>
#include <iostream>
#include <string_view>

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr std::string_view kHelp = R"(Usage: spritewright-thumbnailer -s SIZE IN.dc6 OUT.png

Writes the first frame of the sprite IN (frame 0 of direction 0) as the PNG
picture OUT, coloured by the first palette of the catalogue, scaled with
nearest neighbour to fit a square of SIZE pixels (1 to 1024; larger sizes
count as 1024): larger frames shrink, smaller ones grow by a whole factor.
Index 0 is transparent. A frame of more than 16,777,216 pixels gets no
thumbnail.
)";

int Usage(std::string_view text)
{
    std::cerr << "spritewright-thumbnailer: " << text << '\n' << kHelp;
    return kUsage;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << kHelp;
        return 0;
    }
    if (argc != 5 || std::strcmp(argv[1], "-s") != 0)
        return Usage("expected -s SIZE IN OUT");
    const std::string_view sizeText = argv[2];
    int size = 0;
    const auto [end, ec] =
        std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), size);
    if (ec != std::errc() || end != sizeText.data() + sizeText.size() || size < 1)
        return Usage("SIZE takes a whole number from 1, not \"" + std::string(sizeText) + "\"");

    // Without a catalogue the indices still show, as shades of grey.
    const CPalette palette = FirstCataloguePalette(PaletteFolder(FindDataFolder(ProgramFolder())));
    std::string error;

    CImage thumbnail;
    if (!MakeDC6Thumbnail(argv[3], size, palette, thumbnail, error)) {
        std::cerr << "spritewright-thumbnailer: " << argv[3] << ": " << error << '\n';
        return kFailed;
    }
    if (!thumbnail.Save(argv[4], IMAGE_TYPE_PNG)) {
        std::cerr << "spritewright-thumbnailer: " << argv[4] << ": " << thumbnail.GetLastError()
                  << '\n';
        return kFailed;
    }
    return 0;
}
