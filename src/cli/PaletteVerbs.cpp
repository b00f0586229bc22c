// The verbs that list palettes and convert them between file formats.

#include "CliVerbs.h"
#include "PaletteFormats.h"

#include <iostream>

namespace cli {

int RunPalettes(Args args)
{
    if (!NoOptionsLeft(args))
        return kUsage;
    if (!args.empty())
        return UsageError("palettes takes no arguments");
    const auto folder = CatalogueFolder();
    const auto catalogue = ReadPaletteCatalogue(folder / "palettes.ini");
    if (catalogue) {
        for (const std::string& name : *catalogue)
            std::cout << name << "\tcatalogue\t" << PaletteFilePath(folder, name).string() << '\n';
    }
    const auto userFolder = UserPaletteFolder();
    for (const std::string& name : ListUserPalettes(userFolder))
        std::cout << name << "\tuser\t" << (userFolder / name).string() << '\n';
    if (!catalogue)
        return Fail((folder / "palettes.ini").string(), "Not Found");
    return kOk;
}

int RunPalette(Args args)
{
    std::string formatName;
    if (!TakeTextOption(args, "--format", formatName) || !NoOptionsLeft(args))
        return kUsage;
    if (args.size() != 2)
        return UsageError("palette takes IN OUT");
    const auto format = formatName.empty() ? PaletteFormatFromExtension(args[1])
                                           : PaletteFormatFromName(formatName);
    if (!format && !formatName.empty())
        return UsageError("--format takes raw, act, jasc, gpl or riff");
    if (!format)
        return UsageError("cannot tell the palette format from the name " + args[1] +
                          "; give --format raw, act, jasc, gpl or riff");
    CPalette palette;
    if (const int status = ReadNamedPalette(args[0], palette); status != kOk)
        return status;
    std::string error;
    if (!WritePalette(args[1], palette, *format, error))
        return Fail(error);
    return kOk;
}

} // namespace cli
