#include "Palette.h"

#include "PaletteFormats.h"
#include "RegularFile.h"

#include <algorithm>
#include <cstdlib>
#include <pwd.h>
#include <sstream>
#include <unistd.h>

int ReadPaletteFile(const std::filesystem::path& path, RGBQUAD* table, int count)
{
    CPaletteFile file;
    std::string error;
    if (table == nullptr || !ReadPalette(path, RawPalettes::Catalogue, file, error))
        return 0;
    std::copy_n(file.palette.begin(), std::clamp(count, 0, 256), table);
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

std::filesystem::path UserPaletteFolder()
{
    // Relative paths in these variables are to be ignored.
    const auto absolute = [](const char* value) {
        return value != nullptr && value[0] == '/' ? std::filesystem::path(value)
                                                   : std::filesystem::path();
    };
    std::filesystem::path data = absolute(std::getenv("XDG_DATA_HOME"));
    if (data.empty()) {
        std::filesystem::path home = absolute(std::getenv("HOME"));
        if (home.empty()) {
            if (const passwd* user = ::getpwuid(::getuid()))
                home = absolute(user->pw_dir);
        }
        if (home.empty())
            return {};
        data = home / ".local" / "share";
    }
    return data / "spritewright" / "pal";
}

std::vector<std::string> ListUserPalettes(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with(".") && it->is_regular_file(ec))
            names.push_back(name);
    }
    const auto lower = [](const std::string& text) {
        std::string folded = text;
        std::transform(folded.begin(), folded.end(), folded.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return folded;
    };
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        const std::string la = lower(a);
        const std::string lb = lower(b);
        return la != lb ? la < lb : a < b;
    });
    return names;
}

bool ResolvePalette(const std::string& name, const std::filesystem::path& catalogueFolder,
                    const std::filesystem::path& userFolder, CPaletteFile& out,
                    std::filesystem::path& file, std::string& error)
{
    const auto catalogue = catalogueFolder / "palettes.ini";
    const auto names = ReadPaletteCatalogue(catalogue);
    const auto inCatalogue = [&](const std::string& entry) {
        return names && std::find(names->begin(), names->end(), entry) != names->end();
    };
    const auto users = ListUserPalettes(userFolder);
    RawPalettes raw = RawPalettes::Exact;
    if (name.empty()) {
        if (!names || names->empty()) {
            error = "No palette given and no catalogue at " + catalogue.string();
            return false;
        }
        file = PaletteFilePath(catalogueFolder, names->front());
        raw = RawPalettes::Catalogue;
    } else if (name.find('/') == std::string::npos && inCatalogue(name)) {
        file = PaletteFilePath(catalogueFolder, name);
        raw = RawPalettes::Catalogue;
    } else if (name.find('/') == std::string::npos &&
               std::find(users.begin(), users.end(), name) != users.end()) {
        file = userFolder / name;
    } else {
        std::error_code ec;
        if (name.find('/') == std::string::npos && !std::filesystem::exists(name, ec)) {
            error = "No palette named \"" + name + "\" in the catalogue " + catalogue.string() +
                    " or the user palettes in " + userFolder.string() + ", and no such file";
            return false;
        }
        file = name;
    }
    return ReadPalette(file, raw, out, error);
}

CPalette FirstCataloguePalette(const std::filesystem::path& catalogueFolder)
{
    CPaletteFile read;
    std::filesystem::path file;
    std::string error;
    if (!ResolvePalette("", catalogueFolder, {}, read, file, error))
        return GreyRampPalette();
    return read.palette;
}
