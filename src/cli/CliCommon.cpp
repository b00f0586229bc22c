#include "CliCommon.h"

#include <algorithm>
#include <charconv>
#include <iostream>

namespace cli {

int Fail(std::string_view text)
{
    std::cerr << "spritewright-cli: " << text << '\n';
    return kFailed;
}

int Fail(std::string_view file, std::string_view text)
{
    std::cerr << "spritewright-cli: " << file << ": " << text << '\n';
    return kFailed;
}

int UsageError(std::string_view text)
{
    std::cerr << "spritewright-cli: " << text << "\n(see spritewright-cli --help)\n";
    return kUsage;
}

std::optional<int> ParseInt(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool TakeIntOption(Args& args, std::string_view name, int& value)
{
    const auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end())
        return true;
    if (it + 1 == args.end()) {
        UsageError(std::string(name) + " needs a value");
        return false;
    }
    const auto parsed = ParseInt(*(it + 1));
    if (!parsed) {
        UsageError(std::string(name) + " takes a whole number, not \"" + *(it + 1) + "\"");
        return false;
    }
    value = *parsed;
    args.erase(it, it + 2);
    return true;
}

bool TakeTextOption(Args& args, std::string_view name, std::string& value)
{
    const auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end())
        return true;
    if (it + 1 == args.end()) {
        UsageError(std::string(name) + " needs a value");
        return false;
    }
    value = *(it + 1);
    args.erase(it, it + 2);
    return true;
}

bool TakeFlag(Args& args, std::string_view name)
{
    const auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end())
        return false;
    args.erase(it);
    return true;
}

bool NoOptionsLeft(const Args& args)
{
    for (const std::string& arg : args) {
        if (arg.size() > 2 && arg.starts_with("--")) {
            UsageError("unknown option " + arg);
            return false;
        }
    }
    return true;
}

bool MakeOutputFolder(const std::string& path)
{
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (std::filesystem::is_directory(path))
        return true;
    Fail(path, ec ? "is not a folder (" + ec.message() + ")" : "is not a folder");
    return false;
}

std::filesystem::path ProgramFolder()
{
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : self.parent_path();
}

std::filesystem::path PaletteFolder()
{
    return ProgramFolder() / "data" / "pal";
}

int ReadNamedPalette(const std::string& name, CPalette& palette)
{
    std::string error;
    if (!ResolvePalette(name, PaletteFolder(), palette, error))
        return Fail(error);
    return kOk;
}

} // namespace cli
