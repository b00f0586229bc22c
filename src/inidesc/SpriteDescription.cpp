#include "SpriteDescription.h"

#include "Image.h"

#include <cctype>
#include <climits>
#include <cstdio>

const char kMainSection[] = "Main";

std::string DirectionSectionName(int direction)
{
    char name[32];
    std::snprintf(name, sizeof name, "Direction Data:%02d", direction);
    return name;
}

std::string FrameSectionName(int direction, int frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "%02d:%04d", direction, frame);
    return name;
}

int ReadDecimal(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t{INT_MAX} + 1);
    value = negative ? -value : std::min<int64_t>(value, INT_MAX);
    return static_cast<int>(value);
}

int ImageTypeFromFileType(const std::string& fileType)
{
    if (fileType == "bmp")
        return IMAGE_TYPE_BMP;
    if (fileType == "pcx")
        return IMAGE_TYPE_PCX;
    if (fileType == "jpg")
        return IMAGE_TYPE_JPG;
    if (fileType == "gif")
        return IMAGE_TYPE_GIF;
    return IMAGE_TYPE_TIF;
}

namespace {

// The key's number, or `fallback` when it is missing.
int NumberOr(CIniEx& ini, const std::string& section, const char* key, int fallback)
{
    std::string value;
    return ini.GetKeyData(section, key, value) ? ReadDecimal(value) : fallback;
}

bool Number(CIniEx& ini, const std::string& section, const char* key, int& out)
{
    std::string value;
    if (!ini.GetKeyData(section, key, value))
        return false;
    out = ReadDecimal(value);
    return true;
}

} // namespace

bool ReadMainSection(CIniEx& ini, MainRecord& record)
{
    if (!Number(ini, kMainSection, "Directions", record.nDirections) ||
        !Number(ini, kMainSection, "FramesDir", record.nFramesPerDirection))
        return false;
    record.nFramed = NumberOr(ini, kMainSection, "FramedGIF", 0);
    if (!ini.GetKeyData(kMainSection, "FileName", record.strFileName))
        record.strFileName.clear();
    return !ini.Refused();
}

bool ReadDirectionSection(CIniEx& ini, DirectionRecord& record, int direction)
{
    const std::string section = DirectionSectionName(direction);
    record.nImgX0 = NumberOr(ini, section, "Img_X0", 0);
    record.nImgY0 = NumberOr(ini, section, "Img_Y0", 0);
    return !ini.Refused();
}

bool ReadFrameSection(CIniEx& ini, FrameRecord& record, const std::string& section, int framed,
                      std::string* missingKey)
{
    const auto missing = [missingKey](const char* key) {
        if (missingKey != nullptr)
            *missingKey = key;
        return false;
    };
    if (!Number(ini, section, "Width", record.nWidth))
        return missing("Width");
    if (!Number(ini, section, "Height", record.nHeight))
        return missing("Height");
    if (framed == 0) {
        if (!ini.GetKeyData(section, "FileType", record.strFileType))
            return missing("FileType");
    } else {
        record.strFileType.clear();
    }
    record.nOffsetX = NumberOr(ini, section, "X_Offset", 0);
    record.nOffsetY = NumberOr(ini, section, "Y_Offset", 0);
    return !ini.Refused();
}
