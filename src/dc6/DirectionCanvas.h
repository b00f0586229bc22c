#pragma once

// The canvas of a direction: the smallest rectangle that holds every frame of
// the direction at its offsets. Coordinates are those of the offsets: x to the
// right, y down, (0, 0) being the point the game draws the sprite at. A frame
// of width W, height H and offsets X, Y covers columns X to X + W - 1 and rows
// Y - H to Y - 1 (its bottom row lies just above row Y).

#include "DC6File.h"

#include <cstdint>

struct CDirectionCanvas {
    int64_t m_iMinX = INT64_MAX;
    int64_t m_iMinTop = INT64_MAX;
    int64_t m_iMaxRight = INT64_MIN;
    int64_t m_iMaxY = INT64_MIN;

    // Grows the canvas to hold the frame.
    void Cover(const DC6FrameHeader& frame);
    bool IsEmpty() const { return m_iMinX > m_iMaxRight; }
    int64_t Width() const { return m_iMaxRight - m_iMinX; }
    int64_t Height() const { return m_iMaxY - m_iMinTop; }
};

// The canvas of one direction of the document; empty when `direction` names
// none.
CDirectionCanvas DirectionCanvas(const CDC6File& doc, int direction);
