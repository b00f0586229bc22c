#include "DataFolder.h"

#include <system_error>

std::filesystem::path ProgramFolder()
{
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path(ec) : self.parent_path();
}

std::filesystem::path FindDataFolder(const std::filesystem::path& programFolder)
{
    const std::filesystem::path beside = programFolder / "data";
    const std::filesystem::path installed = programFolder / ".." / "share" / "spritewright";
    std::error_code ec;
    if (std::filesystem::is_directory(beside, ec))
        return beside;
    if (std::filesystem::is_directory(installed, ec))
        return installed.lexically_normal();
    return beside;
}

std::filesystem::path PaletteFolder(const std::filesystem::path& dataFolder)
{
    return dataFolder / "pal";
}
