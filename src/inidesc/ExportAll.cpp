#include "ExportAll.h"

#include "DirectionCanvas.h"
#include "FrameImage.h"
#include "ImageGIF.h"
#include "SpriteDescription.h"

#include <algorithm>
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

std::string CouldNotSave(const std::filesystem::path& file, const std::string& reason)
{
    return "Could not save " + file.string() + " (" + reason + ")";
}

bool MakeFolder(const std::filesystem::path& folder, std::string& error)
{
    std::error_code ec;
    if (std::filesystem::create_directory(folder, ec) && !ec)
        return true;
    error = "Unable to Create Directory!!\n[" + folder.string() + "]";
    return false;
}

std::string CanvasSize(const CDirectionCanvas& canvas)
{
    return Number(canvas.Width()) + " x " + Number(canvas.Height());
}

std::string SpriteName(const CDC6File& doc)
{
    const std::string name = doc.GetFileNamePart(true, false);
    return name.empty() ? "the untitled sprite" : name;
}

// Frame `index` as an image of the canvas's size, which CheckCanvases has
// found fit for a picture.
bool CanvasImage(const CDC6File& doc, int index, const CDirectionCanvas& canvas,
                 const CPalette& palette, const CExportFormat& format, CImage& image,
                 std::string& error)
{
    DC6FrameHeader f{};
    doc.GetDC6FrameHeader(index, f);
    if (!FrameToImage(doc, index, palette, image, error))
        return false;
    PrepareForFileType(image, format.nType, 255);
    if (!image.Expand(static_cast<int>(f.m_iOffsetX - canvas.m_iMinX),
                      static_cast<int>(int64_t{f.m_iOffsetY} - f.m_iHeight - canvas.m_iMinTop),
                      static_cast<int>(canvas.m_iMaxRight - f.m_iOffsetX - f.m_iWidth),
                      static_cast<int>(canvas.m_iMaxY - f.m_iOffsetY), palette[0])) {
        error = image.GetLastError();
        return false;
    }
    return true;
}

// The canvas of every direction; false (with the reason) when one is too
// large for a picture, or all pictures together would pass
// kMaxExportPixels.
bool CheckCanvases(const CDC6File& doc, const DC6FileHeader& header,
                   std::vector<CDirectionCanvas>& canvases, std::string& error)
{
    const int frames = header.m_iFramesPerDirection;
    canvases.resize(static_cast<size_t>(header.m_iDirections));
    int64_t total = 0;
    size_t largest = 0;
    for (size_t d = 0; d < canvases.size(); ++d) {
        const CDirectionCanvas& canvas = canvases[d] = DirectionCanvas(doc, static_cast<int>(d));
        if (canvas.Width() > CImage::kMaxPixels || canvas.Height() > CImage::kMaxPixels ||
            canvas.Width() * canvas.Height() > CImage::kMaxPixels) {
            error = "The frames of direction " + Number(static_cast<int64_t>(d)) + " of " +
                    SpriteName(doc) + " lie too far apart for one picture of " +
                    CanvasSize(canvas) + " pixels (the limit is " + Number(CImage::kMaxPixels) +
                    " pixels)";
            return false;
        }
        total += canvas.Width() * canvas.Height() * frames;
        if (canvas.Width() * canvas.Height() >
            canvases[largest].Width() * canvases[largest].Height())
            largest = d;
    }
    if (total <= kMaxExportPixels)
        return true;
    error = "The export of " + SpriteName(doc) + " would write " + Number(total) +
            " pixels in all, more than the limit of " + Number(kMaxExportPixels) +
            ": the frames of direction " + Number(static_cast<int64_t>(largest)) +
            " lie on a canvas of " + CanvasSize(canvases[largest]) + " pixels";
    return false;
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
                     int framesPerSecond, const CProgress& progress)
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
    std::vector<CDirectionCanvas> canvases;
    if (!CheckCanvases(doc, header, canvases, error) || !MakeFolder(exportFolder, error))
        return false;
    // The folder is new: unless the export is finished, it goes again.
    struct CUnfinishedFolder {
        std::filesystem::path folder;
        bool bFinished = false;
        ~CUnfinishedFolder()
        {
            std::error_code ignored;
            if (!bFinished)
                std::filesystem::remove_all(folder, ignored);
        }
    } unfinished{exportFolder};
    const int64_t pictures = int64_t{header.m_iDirections} * header.m_iFramesPerDirection;
    int64_t written = 0;
    const auto cancelled = [&] {
        if (!progress || progress(++written, pictures))
            return false;
        error = kCancelledText;
        return true;
    };

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

        const CDirectionCanvas& canvas = canvases[static_cast<size_t>(d)];
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

        // Every picture is written as soon as it is made: a separate file,
        // or the next image of the direction's animation.
        CImageGIF gif;
        gif.SetDisposalMethod(3);
        gif.SetDelay((100 + framesPerSecond / 2) / framesPerSecond);
        const std::filesystem::path animation = target / (Formatted("%02d", d) + ".gif");
        if (animated && !gif.Begin(animation, static_cast<int>(canvas.Width()),
                                   static_cast<int>(canvas.Height()))) {
            error = CouldNotSave(animation, gif.GetLastError());
            return false;
        }
        for (int f = 0; f < frames; ++f) {
            CImage image;
            if (!CanvasImage(doc, d * frames + f, canvas, palette, format, image, error))
                return false;
            if (animated) {
                image.SetTransIndex(0);
                if (!gif.Add(image)) {
                    error = CouldNotSave(animation, gif.GetLastError());
                    return false;
                }
                if (cancelled())
                    return false;
                continue;
            }
            const std::filesystem::path file =
                target / (Formatted("%04d", f) + "." + format.strExtension);
            if (!image.Save(file, format.nType)) {
                error = CouldNotSave(file, image.GetLastError());
                return false;
            }
            if (cancelled())
                return false;
        }
        if (animated && !gif.End()) {
            error = CouldNotSave(animation, gif.GetLastError());
            return false;
        }
        ini.AddNewKey(directionSection, "Img_X0", Number(canvas.m_iMinX));
        ini.AddNewKey(directionSection, "Img_Y0", Number(canvas.m_iMaxY));
    }
    if (!ini.SaveFile(description)) {
        error = CouldNotSave(description, ini.GetLastError());
        return false;
    }
    unfinished.bFinished = true;
    return true;
}
