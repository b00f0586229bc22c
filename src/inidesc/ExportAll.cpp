#include "ExportAll.h"

#include "DirectionCanvas.h"
#include "FrameImage.h"
#include "ImageGIF.h"
#include "SpriteDescription.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

namespace {

const char kMainComment[] = "; --- INI file Created by Spritewright\n\n";
const char kDirectionComment[] = "\n;-----------------------------------------";
const char kFrameComment[] = "\n";

std::string Number(int64_t value)
{
    return std::to_string(value);
}

std::string Formatted(const char* format, int value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

bool MakeFolder(const std::filesystem::path& folder, std::string& error)
{
    std::error_code ec;
    if (std::filesystem::create_directory(folder, ec) && !ec)
        return true;
    error = "Unable to Create Directory!!\n[" + folder.string() + "]";
    return false;
}

// Frame `index` as an image of the canvas's size; false (with the reason)
// when the canvas is too large for a picture.
bool CanvasImage(const CDC6File& doc, int index, const CDirectionCanvas& canvas,
                 const CPalette& palette, const CExportFormat& format, CImage& image,
                 std::string& error)
{
    DC6FrameHeader f{};
    doc.GetDC6FrameHeader(index, f);
    if (!FrameToImage(doc, index, palette, image, error))
        return false;
    PrepareForFileType(image, format.nType, 255);
    const int64_t left = f.m_iOffsetX - canvas.m_iMinX;
    const int64_t top = int64_t{f.m_iOffsetY} - f.m_iHeight - canvas.m_iMinTop;
    const int64_t right = canvas.m_iMaxRight - f.m_iOffsetX - f.m_iWidth;
    const int64_t bottom = canvas.m_iMaxY - f.m_iOffsetY;
    if (std::max({left, top, right, bottom}) > INT_MAX ||
        !image.Expand(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                      static_cast<int>(bottom), palette[0])) {
        error = "The frames of one direction lie too far apart for one picture of " +
                Number(canvas.Width()) + " x " + Number(canvas.Height()) + " pixels";
        return false;
    }
    return true;
}

} // namespace

bool ExportFormatFromExtension(const std::string& extension, CExportFormat& format)
{
    static const CExportFormat kFormats[] = {
        {"bmp", IMAGE_TYPE_BMP}, {"pcx", IMAGE_TYPE_PCX}, {"gif", IMAGE_TYPE_GIF},
        {"tif", IMAGE_TYPE_TIF}, {"jpg", IMAGE_TYPE_JPG}, {"png", IMAGE_TYPE_PNG},
    };
    for (const CExportFormat& known : kFormats) {
        if (known.strExtension == extension) {
            format = known;
            return true;
        }
    }
    return false;
}

bool ExportAllFrames(const CDC6File& doc, const CPalette& palette,
                     const std::filesystem::path& folder, const CExportFormat& format,
                     bool animated, std::filesystem::path& description, std::string& error,
                     int framesPerSecond)
{
    animated = animated && format.nType == IMAGE_TYPE_GIF;
    DC6FileHeader header;
    if (!doc.GetDC6FileHeader(header)) {
        error = "There is no sprite to export";
        return false;
    }
    if (animated && (framesPerSecond < 1 || framesPerSecond > kMaxFramesPerSecond)) {
        error = "An animation plays at 1 to " + Number(kMaxFramesPerSecond) +
                " frames a second, not " + Number(framesPerSecond);
        return false;
    }
    const std::string base = doc.GetFileNamePart(false, false) + "_" + format.strExtension;
    const std::filesystem::path exportFolder = folder / base;
    description = exportFolder / (base + ".ini");
    if (!MakeFolder(exportFolder, error))
        return false;

    CIniEx ini;
    ini.AddNewSection(kMainSection, kMainComment);
    ini.AddNewKey(kMainSection, "Directions", Number(header.m_iDirections));
    ini.AddNewKey(kMainSection, "FramesDir", Number(header.m_iFramesPerDirection));
    ini.AddNewKey(kMainSection, "FramedGIF", Number(animated ? 1 : 0));
    ini.AddNewKey(kMainSection, "FileName", doc.GetFileNamePart(true, false));

    const int frames = header.m_iFramesPerDirection;
    for (int d = 0; d < header.m_iDirections; ++d) {
        const std::string directionSection = DirectionSectionName(d);
        ini.AddNewSection(directionSection, kDirectionComment);
        const std::filesystem::path target =
            animated ? exportFolder : exportFolder / Formatted("%02d", d);
        if (!animated && !MakeFolder(target, error))
            return false;

        const CDirectionCanvas canvas = DirectionCanvas(doc, d);
        for (int f = 0; f < frames; ++f) {
            DC6FrameHeader fh{};
            doc.GetDC6FrameHeader(d * frames + f, fh);
            const std::string section = FrameSectionName(d, f);
            ini.AddNewSection(section, kFrameComment);
            ini.AddNewKey(section, "Width", Number(fh.m_iWidth));
            ini.AddNewKey(section, "Height", Number(fh.m_iHeight));
            if (!animated)
                ini.AddNewKey(section, "FileType", format.strExtension);
            ini.AddNewKey(section, "X_Offset", Number(fh.m_iOffsetX));
            ini.AddNewKey(section, "Y_Offset", Number(fh.m_iOffsetY));
        }

        // Separate files are written one at a time; an animation needs all
        // its pictures at once.
        std::vector<CImage> pictures(animated ? static_cast<size_t>(frames) : 1);
        for (int f = 0; f < frames; ++f) {
            CImage& image = pictures[animated ? static_cast<size_t>(f) : 0];
            if (!CanvasImage(doc, d * frames + f, canvas, palette, format, image, error))
                return false;
            if (animated) {
                image.SetTransIndex(0);
                continue;
            }
            const std::filesystem::path file =
                target / (Formatted("%04d", f) + "." + format.strExtension);
            if (!image.Save(file, format.nType)) {
                error = "Could not save " + file.string();
                return false;
            }
        }
        if (animated) {
            std::vector<CImage*> sequence;
            for (CImage& image : pictures)
                sequence.push_back(&image);
            CImageGIF gif;
            gif.SetDisposalMethod(3);
            gif.SetDelay((100 + framesPerSecond / 2) / framesPerSecond);
            const std::filesystem::path file = target / (Formatted("%02d", d) + ".gif");
            if (!gif.Encode(file, sequence)) {
                error = "Could not save " + file.string();
                return false;
            }
        }
        ini.AddNewKey(directionSection, "Img_X0", Number(canvas.m_iMinX));
        ini.AddNewKey(directionSection, "Img_Y0", Number(canvas.m_iMaxY));
    }
    if (!ini.SaveFile(description)) {
        error = "Could not save " + description.string();
        return false;
    }
    return true;
}
