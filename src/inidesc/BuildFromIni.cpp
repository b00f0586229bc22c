#include "BuildFromIni.h"

#include "FrameImage.h"
#include "Image.h"
#include "SpriteDescription.h"

#include <algorithm>
#include <cstdio>

namespace {

// A FileType may only name an extension: letters and digits.
bool PlainExtension(const std::string& text)
{
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isalnum(c); });
}

std::string Formatted(const char* format, int value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The frame's W x H rectangle in its direction's canvas, cut out of the
// picture: dx columns from the left edge, its bottom row dy rows above the
// bottom edge. False, with the reason in `cause`, when it does not lie
// inside the picture.
bool CutFrame(CImage& image, const FrameRecord& frame, const DirectionRecord& direction,
              const std::filesystem::path& file, std::string& cause)
{
    const int64_t dx = std::abs(int64_t{frame.nOffsetX} - direction.nImgX0);
    const int64_t dy = std::abs(int64_t{frame.nOffsetY} - direction.nImgY0);
    const int64_t top = image.GetHeight() - dy - frame.nHeight;
    if (top < 0 || dx + frame.nWidth > image.GetWidth()) {
        cause = "The frame's " + std::to_string(frame.nWidth) + " x " +
                std::to_string(frame.nHeight) + " rectangle, " + std::to_string(dx) +
                " columns from the left edge and " + std::to_string(dy) +
                " rows above the bottom edge, lies outside the " +
                std::to_string(image.GetWidth()) + " x " + std::to_string(image.GetHeight()) +
                " picture " + file.string();
        return false;
    }
    return image.Crop(static_cast<int>(dx), static_cast<int>(top),
                      static_cast<int>(dx + frame.nWidth), static_cast<int>(top + frame.nHeight));
}

} // namespace

bool BuildFromIni(const std::filesystem::path& description, const CPalette& palette, CDC6File& doc,
                  std::string& error, std::string* described)
{
    CIniEx ini;
    if (!ini.ReadFile(description)) {
        error = "Could not open INI file\n" + description.string();
        return false;
    }
    MainRecord main;
    if (!ReadMainSection(ini, main)) {
        error = ini.Refused() ? ini.GetLastError() : "Error in INI section [Main]";
        return false;
    }
    if (main.nDirections < 1) {
        error = "'Directions' Cannot be 0 or below in section [Main]";
        return false;
    }
    if (main.nFramesPerDirection < 1) {
        error = "'FramesDir' Cannot be 0 or below in section [Main]";
        return false;
    }
    if (described != nullptr)
        *described = main.strFileName;
    if (!doc.NewDC6(main.nDirections, main.nFramesPerDirection)) {
        error = doc.GetLastErrorText();
        return false;
    }

    const std::filesystem::path folder = description.parent_path();
    const auto fail = [&](std::string message) {
        doc.FreeDC6();
        error = std::move(message);
        return false;
    };
    const int frames = main.nFramesPerDirection;
    for (int d = 0; d < main.nDirections; ++d) {
        DirectionRecord direction;
        if (!ReadDirectionSection(ini, direction, d))
            return fail(ini.GetLastError());
        // A framed direction's GIF is read once, all its images at a time.
        std::vector<CImage> animation;
        const std::filesystem::path gif = folder / (Formatted("%02d", d) + ".gif");
        for (int f = 0; f < frames; ++f) {
            const std::string section = FrameSectionName(d, f);
            const auto sectionError = [&section](const std::string& cause) {
                return "Section [" + section + "] error!\n" + cause;
            };
            FrameRecord frame;
            std::string missingKey;
            if (!ReadFrameSection(ini, frame, section, main.nFramed, &missingKey))
                return fail(ini.Refused()
                                ? ini.GetLastError()
                                : sectionError("The key '" + missingKey + "' is missing"));
            if (frame.nWidth <= 0 || frame.nHeight <= 0)
                return fail(sectionError("'Width' and 'Height' must be above 0, not " +
                                         std::to_string(frame.nWidth) + " and " +
                                         std::to_string(frame.nHeight)));
            CImage image;
            std::filesystem::path file = gif;
            if (main.nFramed != 0) {
                if (f == 0 && !image.LoadAll(gif, IMAGE_TYPE_GIF, animation))
                    return fail("Could not open file: \n" + gif.string());
                if (static_cast<size_t>(f) >= animation.size())
                    return fail("Could not open file: \n" + gif.string());
                image = animation[static_cast<size_t>(f)];
            } else {
                if (!PlainExtension(frame.strFileType))
                    return fail(
                        sectionError("'FileType' " + frame.strFileType + " is no file extension"));
                file = folder / Formatted("%02d", d) /
                       (Formatted("%04d", f) + "." + frame.strFileType);
                if (!image.Load(file, ImageTypeFromFileType(frame.strFileType)))
                    return fail("Could not open file: \n" + file.string());
            }
            ReduceToIndexed(image, palette);
            std::string cause;
            if (!CutFrame(image, frame, direction, file, cause))
                return fail(sectionError(cause));
            const int index = d * frames + f;
            ImageToFrame(doc, index, image, palette);
            doc.SetFrameOffsetX(index, frame.nOffsetX);
            doc.SetFrameOffsetY(index, frame.nOffsetY);
        }
    }
    return true;
}
