#include "DirectionCanvas.h"

#include <algorithm>

void CDirectionCanvas::Cover(const DC6FrameHeader& frame)
{
    m_iMinX = std::min<int64_t>(m_iMinX, frame.m_iOffsetX);
    m_iMaxRight = std::max<int64_t>(m_iMaxRight, int64_t{frame.m_iOffsetX} + frame.m_iWidth);
    m_iMaxY = std::max<int64_t>(m_iMaxY, frame.m_iOffsetY);
    m_iMinTop = std::min<int64_t>(m_iMinTop, int64_t{frame.m_iOffsetY} - frame.m_iHeight);
}

CDirectionCanvas DirectionCanvas(const CDC6File& doc, int direction)
{
    CDirectionCanvas canvas;
    DC6FileHeader header;
    if (!doc.GetDC6FileHeader(header) || direction < 0 || direction >= header.m_iDirections)
        return canvas;
    const int frames = header.m_iFramesPerDirection;
    for (int f = 0; f < frames; ++f) {
        DC6FrameHeader frame;
        if (doc.GetDC6FrameHeader(direction * frames + f, frame))
            canvas.Cover(frame);
    }
    return canvas;
}
