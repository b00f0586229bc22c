// The verbs over sprite sheets with a JSON atlas: export-sheet and
// import-sheet.

#include "CliVerbs.h"
#include "SpriteSheet.h"

#include <map>

namespace cli {
namespace {

// Takes "--name VALUE" out of args, VALUE one of the names of `choices`;
// false (after a usage message) for any other.
template <typename T>
bool TakeChoice(Args& args, std::string_view name, const std::map<std::string, T>& choices,
                T& value)
{
    std::string text;
    if (!TakeTextOption(args, name, text))
        return false;
    if (text.empty())
        return true;
    const auto it = choices.find(text);
    if (it != choices.end()) {
        value = it->second;
        return true;
    }
    std::string names;
    for (const auto& [choice, unused] : choices)
        names += (names.empty() ? "" : "|") + choice;
    UsageError(std::string(name) + " takes " + names + ", not \"" + text + "\"");
    return false;
}

} // namespace

int RunExportSheet(Args args)
{
    CSheetOptions options;
    std::string atlas;
    std::string paletteName;
    if (!TakeTextOption(args, "--json", atlas) ||
        !TakeChoice<SheetLayout>(args, "--layout",
                                 {{"rows", SheetLayout::Rows},
                                  {"columns", SheetLayout::Columns},
                                  {"packed", SheetLayout::Packed}},
                                 options.layout) ||
        !TakeChoice<SheetCanvas>(
            args, "--canvas",
            {{"registered", SheetCanvas::Registered}, {"trimmed", SheetCanvas::Trimmed}},
            options.canvas) ||
        !TakeIntOption(args, "--padding", options.nPadding) ||
        !TakeIntOption(args, "--fps", options.nFramesPerSecond) ||
        !TakeTextOption(args, "--palette", paletteName) || !NoOptionsLeft(args))
        return kUsage;
    if (args.size() != 2)
        return UsageError("export-sheet takes IN.dc6 OUT.png");
    if (options.nPadding < 0 || options.nPadding > kMaxSheetPadding)
        return UsageError("--padding takes 0 to " + std::to_string(kMaxSheetPadding));
    if (options.nFramesPerSecond < 1 || options.nFramesPerSecond > kMaxFramesPerSecond)
        return UsageError("--fps takes 1 to " + std::to_string(kMaxFramesPerSecond));
    if (atlas.empty())
        atlas = std::filesystem::path(args[1]).replace_extension(".json").string();

    CPalette palette;
    if (const int status = ReadNamedPalette(paletteName, palette); status != kOk)
        return status;
    CDC6File doc;
    if (!doc.LoadDC6(args[0]))
        return Fail(args[0], doc.GetLastErrorText());
    std::string error;
    if (!ExportSpriteSheet(doc, palette, options, args[1], atlas, error))
        return Fail(args[0], error);
    return kOk;
}

int RunImportSheet(Args args)
{
    std::string output;
    std::string paletteName;
    if (!TakeTextOption(args, "-o", output) || !TakeTextOption(args, "--palette", paletteName) ||
        !NoOptionsLeft(args))
        return kUsage;
    if (args.size() != 2 || output.empty())
        return UsageError("import-sheet takes SHEET ATLAS.json -o OUT.dc6");
    CPalette palette;
    if (const int status = ReadNamedPalette(paletteName, palette); status != kOk)
        return status;
    CDC6File doc;
    std::string error;
    if (!ImportSpriteSheet(args[0], args[1], palette, doc, error))
        return Fail(error);
    if (!doc.SaveDC6(output))
        return Fail(output, doc.GetLastErrorText());
    return kOk;
}

} // namespace cli
