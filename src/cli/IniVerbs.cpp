// The verbs over sprite descriptions: export-all and build, each over any
// number of files at once.

#include "Batch.h"
#include "BuildFromIni.h"
#include "CliVerbs.h"
#include "ExportAll.h"
#include "Image.h"
#include "IniEx.h"

#include <map>

namespace cli {
namespace {

// Where the sprite built from each description goes: the description's
// FileName when it is a plain file name, else the description's own name.
std::string OutputName(const std::filesystem::path& description)
{
    CIniEx ini;
    std::string name;
    if (ini.ReadFile(description) && ini.GetKeyData("Main", "FileName", name) && !name.empty() &&
        name.find('/') == std::string::npos && name != "." && name != "..")
        return std::filesystem::path(name).replace_extension(".dc6").string();
    return description.stem().string() + ".dc6";
}

} // namespace

int RunExportAll(Args args)
{
    std::string output;
    std::string extension = "bmp";
    std::string paletteName;
    int jobs = 0;
    if (!TakeTextOption(args, "-o", output) || !TakeTextOption(args, "--format", extension) ||
        !TakeTextOption(args, "--palette", paletteName) || !TakeIntOption(args, "--jobs", jobs))
        return kUsage;
    const bool animated = TakeFlag(args, "--animated");
    if (!NoOptionsLeft(args))
        return kUsage;
    if (args.empty() || output.empty())
        return UsageError("export-all takes IN.dc6... -o FOLDER");
    CExportFormat format;
    if (!ExportFormatFromExtension(extension, format))
        return UsageError("--format takes bmp, pcx, gif, tif, jpg or png");
    if (animated && format.nType != IMAGE_TYPE_GIF)
        return UsageError("--animated goes with --format gif");
    CPalette palette;
    std::string error;
    if (!ResolvePalette(paletteName, CatalogueFolder(), palette, error))
        return Fail(error);
    std::error_code ec;
    if (!std::filesystem::is_directory(output, ec))
        return Fail(output, "is not a folder");

    return RunBatch(args, jobs, [&](const std::string& input, std::string& message) {
        CDC6File doc;
        if (!doc.LoadDC6(input)) {
            message = doc.GetLastErrorText();
            return false;
        }
        std::filesystem::path description;
        return ExportAllFrames(doc, palette, output, format, animated, description, message);
    });
}

int RunBuild(Args args)
{
    std::string output;
    std::string paletteName;
    int jobs = 0;
    if (!TakeTextOption(args, "-o", output) || !TakeTextOption(args, "--palette", paletteName) ||
        !TakeIntOption(args, "--jobs", jobs) || !NoOptionsLeft(args))
        return kUsage;
    if (args.empty() || output.empty())
        return UsageError("build takes DESC.ini... -o OUT_FOLDER_OR_FILE");
    CPalette palette;
    std::string error;
    if (!ResolvePalette(paletteName, CatalogueFolder(), palette, error))
        return Fail(error);

    // One description may name its output file; several go into a folder,
    // each under its own name.
    std::error_code ec;
    const bool toFile = args.size() == 1 && !std::filesystem::is_directory(output, ec);
    if (!toFile && !std::filesystem::is_directory(output, ec))
        return Fail(output, "is not a folder");
    std::map<std::string, std::filesystem::path> targets;
    std::map<std::filesystem::path, int> uses;
    for (const std::string& input : args) {
        targets[input] = toFile ? std::filesystem::path(output)
                                : std::filesystem::path(output) / OutputName(input);
        ++uses[targets[input]];
    }

    return RunBatch(args, jobs, [&](const std::string& input, std::string& message) {
        const std::filesystem::path& target = targets.at(input);
        if (uses.at(target) > 1) {
            message = "another description of this run also builds " + target.string();
            return false;
        }
        CDC6File doc;
        if (!BuildFromIni(input, palette, doc, message))
            return false;
        if (!doc.SaveDC6(target)) {
            message = doc.GetLastErrorText();
            return false;
        }
        return true;
    });
}

} // namespace cli
