#pragma once

// The sprite description: an INI file that tells how a sprite is laid out in
// image files. [Main] holds Directions, FramesDir, FramedGIF and FileName;
// [Direction Data:dd] holds Img_X0 and Img_Y0, the left edge and the line
// below the bottom of the direction's canvas; [dd:ffff] holds a frame's
// Width, Height, FileType (separate files only), X_Offset and Y_Offset.
//
// Frame f of direction d is the file dd/ffff.FileType beside the
// description, or, when FramedGIF is nonzero, image f of the GIF dd.gif.
// Every image of a direction is the whole canvas; a frame with offsets X, Y
// lies X - Img_X0 columns from its left edge, its bottom row Img_Y0 - Y rows
// above its bottom edge.

#include "IniEx.h"

#include <string>

struct MainRecord {
    int nDirections = 0;
    int nFramesPerDirection = 0;
    int nFramed = 0;
    std::string strFileName;
};

struct DirectionRecord {
    int nImgX0 = 0;
    int nImgY0 = 0;
};

struct FrameRecord {
    int nWidth = 0;
    int nHeight = 0;
    int nOffsetX = 0;
    int nOffsetY = 0;
    std::string strFileType;
};

// "Main", "Direction Data:%02d", "%02d:%04d".
extern const char kMainSection[];
std::string DirectionSectionName(int direction);
std::string FrameSectionName(int direction, int frame);

// Plain decimal conversion: leading white space skipped, an optional sign,
// the digits up to the first other character; no digits read as 0. Values
// past the range of int are held at its ends.
int ReadDecimal(const std::string& text);

// The image type a FileType names, compared exactly: "bmp", "pcx", "jpg",
// "gif"; anything else is taken as TIF (the readers look at the file's
// bytes first, so a "png" file still reads as PNG).
int ImageTypeFromFileType(const std::string& fileType);

// False as soon as Directions or FramesDir is missing; FramedGIF and
// FileName default to 0 and empty.
bool ReadMainSection(CIniEx& ini, MainRecord& record);
// Img_X0 and Img_Y0, each 0 when missing; a missing section is no error.
// Every reader also fails when a value it reads is refused as too long.
bool ReadDirectionSection(CIniEx& ini, DirectionRecord& record, int direction);
// False when Width or Height is missing, or (not framed) FileType, whose
// name then goes to `missingKey` when given; the offsets default to 0. When
// framed, FileType is not read.
bool ReadFrameSection(CIniEx& ini, FrameRecord& record, const std::string& section, int framed,
                      std::string* missingKey = nullptr);
