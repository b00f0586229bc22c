// The verbs that move pictures between image files and frames.

#include "CliVerbs.h"
#include "ExportFrame.h"
#include "FrameImage.h"
#include "FramedSheet.h"
#include "Image.h"
#include "ImportImage.h"

namespace cli {
namespace {

// Reads the palette the user named and the sprite: kOk, or the failure
// reported.
int ReadPaletteAndSprite(const std::string& paletteName, const std::string& file, CPalette& palette,
                         CDC6File& doc)
{
    if (const int status = ReadNamedPalette(paletteName, palette); status != kOk)
        return status;
    if (!doc.LoadDC6(file))
        return Fail(file, doc.GetLastErrorText());
    return kOk;
}

} // namespace

int RunImport(Args args)
{
    int direction = 0;
    int frame = 0;
    std::string output;
    std::string paletteName;
    std::string gifImages = "no";
    if (!TakeIntOption(args, "--direction", direction) || !TakeIntOption(args, "--frame", frame) ||
        !TakeTextOption(args, "-o", output) || !TakeTextOption(args, "--palette", paletteName) ||
        !TakeTextOption(args, "--all-gif-images", gifImages))
        return kUsage;
    const bool split = TakeFlag(args, "--split");
    const bool noSplit = TakeFlag(args, "--no-split");
    if (!NoOptionsLeft(args))
        return kUsage;
    if (args.size() != 2 || output.empty())
        return UsageError("import takes IN.dc6 IMAGE -o OUT.dc6");
    if (split && noSplit)
        return UsageError("--split and --no-split exclude each other");
    if (gifImages != "insert" && gifImages != "overwrite" && gifImages != "no")
        return UsageError("--all-gif-images takes insert, overwrite or no");

    CPalette palette;
    CDC6File doc;
    if (const int status = ReadPaletteAndSprite(paletteName, args[0], palette, doc); status != kOk)
        return status;

    CImportQuestions questions;
    questions.SplitOversized = [&] { return !noSplit; };
    questions.ImportAllImages = [&] { return gifImages != "no"; };
    questions.InsertImages = [&] { return gifImages == "insert"; };
    CImportResult result;
    std::string error;
    if (!ImportImage(doc, direction, frame, args[1], palette, questions, result, error))
        return Fail(args[1], error);
    if (!doc.SaveDC6(output))
        return Fail(output, doc.GetLastErrorText());
    return kOk;
}

int RunExportFrame(Args args)
{
    int direction = 0;
    int frame = 0;
    std::string paletteName;
    if (!TakeIntOption(args, "--direction", direction) || !TakeIntOption(args, "--frame", frame) ||
        !TakeTextOption(args, "--palette", paletteName) || !NoOptionsLeft(args))
        return kUsage;
    if (args.size() != 2)
        return UsageError("export-frame takes IN.dc6 OUT.EXT");
    CPalette palette;
    CDC6File doc;
    if (const int status = ReadPaletteAndSprite(paletteName, args[0], palette, doc); status != kOk)
        return status;
    DC6FileHeader header;
    doc.GetDC6FileHeader(header);
    std::string error;
    if (direction < 0 || direction >= header.m_iDirections || frame < 0 ||
        frame >= header.m_iFramesPerDirection)
        return Fail(args[0], "There is no frame " + std::to_string(frame) + " in direction " +
                                 std::to_string(direction));
    if (!ExportFrame(doc, direction * header.m_iFramesPerDirection + frame, palette, args[1],
                     ImageTypeFromExtension(args[1]), error))
        return Fail(error);
    return kOk;
}

int RunSheet(Args args)
{
    CSheetLayout layout;
    std::string paletteName;
    if (!TakeIntOption(args, "--start", layout.nStart) ||
        !TakeIntOption(args, "--across", layout.nAcross) ||
        !TakeIntOption(args, "--down", layout.nDown) ||
        !TakeTextOption(args, "--palette", paletteName) || !NoOptionsLeft(args))
        return kUsage;
    if (args.size() != 2)
        return UsageError("sheet takes IN.dc6 OUT.EXT");
    CPalette palette;
    CDC6File doc;
    if (const int status = ReadPaletteAndSprite(paletteName, args[0], palette, doc); status != kOk)
        return status;
    CImage sheet;
    std::string message;
    const SheetResult result = ComposeFramedSheet(doc, layout, palette, sheet, message);
    if (result == SheetResult::NotEnoughFrames)
        message = "The first direction has no " + std::to_string(layout.nAcross * layout.nDown) +
                  " frames from frame " + std::to_string(layout.nStart) + " on";
    if (result != SheetResult::Ok)
        return Fail(args[0], message);
    const int type = ImageTypeFromExtension(args[1]);
    PrepareForFileType(sheet, type, 99);
    if (!sheet.Save(args[1], type))
        return Fail(args[1], "Could not save " + args[1] + " (" + sheet.GetLastError() + ")");
    return kOk;
}

} // namespace cli
