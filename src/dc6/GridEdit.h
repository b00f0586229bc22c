#pragma once

// Edits of a sprite's grid of directions x frames per direction. Each reads
// the header first, changes the frame list with the old counts (last
// direction first where every direction changes) and writes the new counts
// last, so that the list holds directions x frames per direction frames
// again. A refused edit returns false, leaves the reason in `error` and
// changes nothing. Every edit is linear in the number of frames.

#include "DC6File.h"

#include <string>

// The header of a sprite whose frame list holds directions x frames per
// direction frames; false with the reason otherwise.
bool ReadGridHeader(const CDC6File& doc, DC6FileHeader& header, std::string& error);
// Whether `index` names one of `count` things called `what` ("direction",
// "frame"); false with the reason otherwise.
bool CheckGridIndex(int index, int count, const char* what, std::string& error);

bool DeleteDirection(CDC6File& doc, int direction, std::string& error);
// Appends a direction of blank frames.
bool AddDirection(CDC6File& doc, std::string& error);
// A direction of blank frames becomes `direction`; the old one and those
// after it move up by one.
bool InsertDirection(CDC6File& doc, int direction, std::string& error);

// Deletes frame number `frame` in every direction.
bool DeleteFrameNumber(CDC6File& doc, int frame, std::string& error);
// Appends a blank frame to every direction.
bool AddFrameNumber(CDC6File& doc, std::string& error);
// A blank frame becomes frame number `frame` of every direction.
bool InsertFrameNumber(CDC6File& doc, int frame, std::string& error);

bool SetFrameOffset(CDC6File& doc, int direction, int frame, int offsetX, int offsetY,
                    std::string& error);
