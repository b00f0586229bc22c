#include "FramedSheet.h"

#include <cstring>
#include <vector>

SheetResult ComposeFramedSheet(const CDC6File& doc, const CSheetLayout& layout,
                               const CPalette& palette, CImage& sheet, std::string& message)
{
    message.clear();
    DC6FileHeader header{};
    const bool hasHeader = doc.GetDC6FileHeader(header);
    const int across = layout.nAcross, down = layout.nDown, start = layout.nStart;
    if (!hasHeader || across < 1 || across > kMaxSheetCells || down < 1 || down > kMaxSheetCells ||
        start < 0 || start >= header.m_iFramesPerDirection) {
        message = "A sheet is 1 to " + std::to_string(kMaxSheetCells) +
                  " frames across and down and starts at a frame of the first direction";
        return SheetResult::BadLayout;
    }
    const int count = across * down;
    if (count > header.m_iFramesPerDirection - start)
        return SheetResult::NotEnoughFrames;

    std::vector<DC6FrameHeader> frames(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k)
        doc.GetDC6FrameHeader(start + k, frames[static_cast<size_t>(k)]);
    const auto at = [&](int row, int column) -> const DC6FrameHeader& {
        return frames[static_cast<size_t>(row * across + column)];
    };
    if (at(0, 0).m_iWidth < kSheetCell || at(0, 0).m_iHeight < kSheetCell) {
        message = "DC6 Not a full sized image";
        return SheetResult::NotFullSized;
    }
    const int lastWidth = at(0, across - 1).m_iWidth;
    const int bottomHeight = at(down - 1, 0).m_iHeight;
    for (int k = 0; k < count; ++k) {
        const int row = k / across, column = k % across;
        const DC6FrameHeader& f = at(row, column);
        const char* rule = nullptr;
        if (row < down - 1 && f.m_iHeight != kSheetCell)
            rule = "frames above the bottom row must be 256 high";
        else if (column < across - 1 && f.m_iWidth != kSheetCell)
            rule = "frames left of the last column must be 256 wide";
        else if (row == down - 1 && f.m_iHeight != bottomHeight)
            rule = "the bottom row's frames must be as high as each other";
        else if (column == across - 1 && f.m_iWidth != lastWidth)
            rule = "the last column's frames must be as wide as each other";
        if (rule != nullptr) {
            message = "Frame " + std::to_string(start + k) + " (" + std::to_string(f.m_iWidth) +
                      " x " + std::to_string(f.m_iHeight) + ") does not fit the sheet: " + rule;
            return SheetResult::DoesNotFit;
        }
    }

    const int width = kSheetCell * (across - 1) + lastWidth;
    const int height = kSheetCell * (down - 1) + bottomHeight;
    if (!sheet.Create(width, height, 8, IMAGE_TYPE_BMP)) {
        message = sheet.GetLastError();
        return SheetResult::DoesNotFit;
    }
    sheet.SetPalette(palette.data(), static_cast<int>(palette.size()));
    DC6Frame frame;
    for (int k = 0; k < count; ++k) {
        doc.GetDC6Frame(start + k, frame);
        const int w = frame.m_DC6FrameHeader.m_iWidth, h = frame.m_DC6FrameHeader.m_iHeight;
        const int left = kSheetCell * (k % across);
        const int top = kSheetCell * (k / across);
        // Frame row y (from its bottom) lies top + h - 1 - y rows from the
        // sheet's top.
        for (int y = 0; y < h; ++y)
            std::memcpy(sheet.GetBits(height - 1 - (top + h - 1 - y)) + left,
                        frame.m_ImageData.data() + static_cast<size_t>(y) * w,
                        static_cast<size_t>(w));
    }
    return SheetResult::Ok;
}
