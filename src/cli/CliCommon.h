#pragma once

// What the verbs of spritewright-cli share: argument reading and reporting.

#include "Palette.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// Exit statuses: a verb that ran and failed returns kFailed; arguments that
// do not make a command return kUsage.
constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

using Args = std::vector<std::string>;

// Prints "spritewright-cli: <text>" on stderr and returns kFailed.
int Fail(std::string_view text);
// Prints "spritewright-cli: <file>: <text>" on stderr and returns kFailed.
int Fail(std::string_view file, std::string_view text);
// Prints the usage error and a pointer to --help, returns kUsage.
int UsageError(std::string_view text);

// A whole decimal int, with an optional sign and nothing else.
std::optional<int> ParseInt(std::string_view text);

// Takes "--name VALUE" out of args when present. Returns false (after a
// usage message) when the option has no value or the value is no int.
bool TakeIntOption(Args& args, std::string_view name, int& value);
// Takes a flag out of args; true when it was there.
bool TakeFlag(Args& args, std::string_view name);
// Takes "--name VALUE" out of args when present; false (after a usage
// message) when the value is missing.
bool TakeTextOption(Args& args, std::string_view name, std::string& value);
// Fails with a usage message when an argument that starts with "--" is left.
bool NoOptionsLeft(const Args& args);

// Makes the output folder `path` and its missing parents, as mkdir -p does.
// False after reporting the failure ("is not a folder" when something else
// stands there).
bool MakeOutputFolder(const std::string& path);

// The folder of this program, where data/ lies.
std::filesystem::path ProgramFolder();
// The palette folder beside this program: data/pal.
std::filesystem::path PaletteFolder();
// Reads the palette a --palette option names (see ResolvePalette): kOk, or
// the failure reported.
int ReadNamedPalette(const std::string& name, CPalette& palette);

} // namespace cli
