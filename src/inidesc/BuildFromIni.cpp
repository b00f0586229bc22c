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

// The first line names the section, the second what is wrong in it.
std::string SectionError(const std::string& section, const std::string& cause)
{
    return "Section [" + section + "] error!\n" + cause;
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
                  std::string& error, std::string* described, const CProgress& progress)
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
    const int64_t count = int64_t{main.nDirections} * frames;
    // The pixels of the sprite as it is built: blank frames until each is
    // replaced by its picture.
    int64_t pixels = count * CDC6File::kBlankFramePixels;
    int64_t built = 0;
    // Frame `index` from its direction's picture; the reason when it fails.
    const auto buildFrame =
        [&](CImage& image, const FrameRecord& frame, const DirectionRecord& direction, int index,
            const std::string& section, const std::filesystem::path& file) -> std::string {
        ReduceToIndexed(image, palette);
        if (std::string cause; !CutFrame(image, frame, direction, file, cause))
            return SectionError(section, cause);
        pixels += int64_t{image.GetWidth()} * image.GetHeight() - CDC6File::kBlankFramePixels;
        if (std::string tooLarge; !CDC6File::CheckSpriteSize(count, pixels, tooLarge))
            return tooLarge;
        ImageToFrame(doc, index, image, palette);
        doc.SetFrameOffsetX(index, frame.nOffsetX);
        doc.SetFrameOffsetY(index, frame.nOffsetY);
        if (progress && !progress(++built, count))
            return kCancelledText;
        return {};
    };
    // The frame's section, or false with the reason in `failure`.
    const auto readSection = [&](const std::string& section, FrameRecord& frame,
                                 std::string& failure) {
        std::string missingKey;
        if (!ReadFrameSection(ini, frame, section, main.nFramed, &missingKey)) {
            failure = ini.Refused()
                          ? ini.GetLastError()
                          : SectionError(section, "The key '" + missingKey + "' is missing");
            return false;
        }
        if (frame.nWidth <= 0 || frame.nHeight <= 0) {
            failure = SectionError(section, "'Width' and 'Height' must be above 0, not " +
                                                std::to_string(frame.nWidth) + " and " +
                                                std::to_string(frame.nHeight));
            return false;
        }
        return true;
    };
    for (int d = 0; d < main.nDirections; ++d) {
        DirectionRecord direction;
        if (!ReadDirectionSection(ini, direction, d))
            return fail(ini.GetLastError());
        std::string failure;
        if (main.nFramed != 0) {
            // The images of a direction's GIF, one at a time, each cut
            // before the next is read.
            const std::filesystem::path gif = folder / (Formatted("%02d", d) + ".gif");
            int f = 0;
            CImage loader;
            loader.LoadAll(gif, IMAGE_TYPE_GIF, [&](CImage& image) {
                const std::string section = FrameSectionName(d, f);
                FrameRecord frame;
                if (!readSection(section, frame, failure))
                    return false;
                failure = buildFrame(image, frame, direction, d * frames + f, section, gif);
                return failure.empty() && ++f < frames;
            });
            if (!failure.empty())
                return fail(failure);
            if (f < frames) {
                // The GIF cannot be read, or has no image f.
                FrameRecord frame;
                if (!readSection(FrameSectionName(d, f), frame, failure))
                    return fail(failure);
                return fail("Could not open file: \n" + gif.string());
            }
            continue;
        }
        for (int f = 0; f < frames; ++f) {
            const std::string section = FrameSectionName(d, f);
            FrameRecord frame;
            if (!readSection(section, frame, failure))
                return fail(failure);
            if (!PlainExtension(frame.strFileType))
                return fail(SectionError(section, "'FileType' " + frame.strFileType +
                                                      " is no file extension"));
            const std::filesystem::path file =
                folder / Formatted("%02d", d) / (Formatted("%04d", f) + "." + frame.strFileType);
            CImage image;
            if (!image.Load(file, ImageTypeFromFileType(frame.strFileType)))
                return fail("Could not open file: \n" + file.string());
            failure = buildFrame(image, frame, direction, d * frames + f, section, file);
            if (!failure.empty())
                return fail(failure);
        }
    }
    return true;
}
