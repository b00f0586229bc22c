#include "Palette.h"

#include <fstream>

int ReadPaletteFile(const std::filesystem::path& path, RGBQUAD* table, int count)
{
    std::ifstream in(path, std::ios::binary);
    if (!in || table == nullptr)
        return 0;
    std::vector<char> bytes(static_cast<size_t>(std::max(count, 0)) * 3, 0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    for (int i = 0; i < count; ++i) {
        const auto* entry = reinterpret_cast<const uint8_t*>(bytes.data()) + 3 * i;
        table[i] = {entry[0], entry[1], entry[2], 1};
    }
    return 1;
}

CPalette GreyRampPalette()
{
    CPalette palette;
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<uint8_t>(i);
        palette[static_cast<size_t>(i)] = {v, v, v, 1};
    }
    return palette;
}

std::optional<std::vector<std::string>> ReadPaletteCatalogue(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::string> names;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > kMaxPaletteName) {
            names.push_back(line.substr(0, kMaxPaletteName));
            break;
        }
        names.push_back(line);
    }
    return names;
}

std::filesystem::path PaletteFilePath(const std::filesystem::path& folder, const std::string& name)
{
    return folder / (name + ".pal");
}
