#include "Palette.h"

#include "RegularFile.h"

#include <algorithm>
#include <sstream>

int ReadPaletteFile(const std::filesystem::path& path, RGBQUAD* table, int count)
{
    std::vector<uint8_t> bytes;
    std::string error;
    if (table == nullptr ||
        !ReadRegularFileStart(path, int64_t{std::max(count, 0)} * 3, bytes, error))
        return 0;
    bytes.resize(static_cast<size_t>(std::max(count, 0)) * 3, 0);
    for (int i = 0; i < count; ++i) {
        const uint8_t* entry = bytes.data() + 3 * i;
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
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadRegularFileStart(path, kMaxCatalogueBytes, bytes, error))
        return std::nullopt;
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
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

bool ResolvePalette(const std::string& name, const std::filesystem::path& paletteFolder,
                    CPalette& out, std::string& error)
{
    std::filesystem::path file;
    if (name.empty()) {
        const auto names = ReadPaletteCatalogue(paletteFolder / "palettes.ini");
        if (!names || names->empty()) {
            error =
                "No palette given and no catalogue at " + (paletteFolder / "palettes.ini").string();
            return false;
        }
        file = PaletteFilePath(paletteFolder, names->front());
    } else if (name.find('/') != std::string::npos ||
               (name.size() > 4 && name.compare(name.size() - 4, 4, ".pal") == 0)) {
        file = name;
    } else {
        file = PaletteFilePath(paletteFolder, name);
    }
    if (!ReadPaletteFile(file, out.data(), static_cast<int>(out.size()))) {
        error = "Cannot read the palette " + file.string();
        return false;
    }
    return true;
}
