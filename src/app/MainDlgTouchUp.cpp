// The main window's touch-up tools: the current index, the strokes of the
// pencil and the eraser, the eyedropper, the fill and the replacement of one
// index by another. The edits themselves are PixelEdit's; these map the
// pointer to the frame's pixels and hand each finished change on as one step.

#include "MainDlg.h"
#include "PaletteView.h"
#include "PixelEdit.h"
#include "PreviewPanel.h"
#include "ReplaceIndexDlg.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <climits>

namespace {

using Tool = CPreviewPanel::Tool;

// The pixel under a preview point in buffer coordinates (row 0 at the
// bottom) of a frame `height` rows high. Points beyond int's range are
// pulled in; the edits leave everything outside the frame alone anyway.
std::pair<int, int> BufferPoint(const CPreviewPoint& point, int height)
{
    const auto clamp = [](int64_t value) {
        return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
    };
    return {clamp(point.m_iFrameX), clamp(int64_t{height} - 1 - point.m_iFrameY)};
}

// Frame i as it is.
DC6Frame Copy(const CDC6File& doc, int i)
{
    DC6Frame frame;
    doc.GetDC6Frame(i, frame);
    return frame;
}

// The change of one frame, moved rather than copied.
std::vector<std::pair<int, DC6Frame>> One(int i, DC6Frame&& before)
{
    std::vector<std::pair<int, DC6Frame>> frames;
    frames.emplace_back(i, std::move(before));
    return frames;
}

} // namespace

void CMainDlg::SetCurrentIndex(int index)
{
    if (index < 0 || index > 255)
        return;
    m_nCurrentIndex = index;
    const RGBQUAD& entry = m_Palette[static_cast<size_t>(index)];
    QPixmap swatch(m_stcCurrentColour->size());
    swatch.fill(QColor(entry.rgbRed, entry.rgbGreen, entry.rgbBlue));
    QPainter painter(&swatch);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    painter.end();
    m_stcCurrentColour->setPixmap(swatch);
    m_stcCurrentIndex->setText(tr("当前索引 %1\nRGB (%2, %3, %4)")
                                   .arg(index)
                                   .arg(entry.rgbRed)
                                   .arg(entry.rgbGreen)
                                   .arg(entry.rgbBlue));
}

void CMainDlg::OnToolPressed(const CPreviewPoint& point)
{
    const int frame = SelectedFrameIndex();
    DC6PixelView view = m_DC6File.EditFramePixels(frame);
    if (m_bDocLoaded != 1 || view.m_Pixels.empty())
        return;
    const auto [x, y] = BufferPoint(point, view.m_iHeight);
    const auto index = static_cast<uint8_t>(m_nCurrentIndex);
    switch (m_pPreviewPanel->CurrentTool()) {
    case Tool::Eyedropper:
        if (point.m_bInFrame)
            SetCurrentIndex(point.m_iIndex);
        return;
    case Tool::Fill: {
        DC6Frame before = Copy(m_DC6File, frame);
        if (FloodFill(view, x, y, index) > 0)
            FinishPixelEdit(tr("填充"), One(frame, std::move(before)));
        return;
    }
    case Tool::Pencil:
    case Tool::Eraser:
        m_iStrokeFrame = frame;
        m_StrokeBefore = Copy(m_DC6File, frame);
        m_bStrokeErases = m_pPreviewPanel->CurrentTool() == Tool::Eraser;
        m_cStrokeIndex = m_bStrokeErases ? 0 : index;
        m_iStrokeX = x;
        m_iStrokeY = y;
        m_bStrokeChanged = SetPixel(view, x, y, m_cStrokeIndex) > 0;
        if (m_bStrokeChanged)
            m_pPreviewPanel->View()->PixelsChanged();
        return;
    case Tool::None:
        return;
    }
}

void CMainDlg::OnToolDragged(const CPreviewPoint& point)
{
    if (m_pPreviewPanel->CurrentTool() == Tool::Eyedropper && point.m_bInFrame) {
        SetCurrentIndex(point.m_iIndex);
        return;
    }
    if (m_iStrokeFrame < 0)
        return;
    // From the last pixel reached to this one, however far the pointer
    // went between two events.
    const DC6PixelView view = m_DC6File.EditFramePixels(m_iStrokeFrame);
    const auto [x, y] = BufferPoint(point, view.m_iHeight);
    if (DrawLine(view, m_iStrokeX, m_iStrokeY, x, y, m_cStrokeIndex) > 0) {
        m_bStrokeChanged = true;
        m_pPreviewPanel->View()->PixelsChanged();
    }
    m_iStrokeX = x;
    m_iStrokeY = y;
}

void CMainDlg::OnToolReleased()
{
    if (m_iStrokeFrame < 0)
        return;
    const int frame = std::exchange(m_iStrokeFrame, -1);
    DC6Frame before = std::exchange(m_StrokeBefore, {});
    if (m_bStrokeChanged)
        FinishPixelEdit(m_bStrokeErases ? tr("橡皮") : tr("铅笔"), One(frame, std::move(before)));
}

void CMainDlg::OnReplaceIndex()
{
    StopPlayback();
    const int index = SelectedFrameIndex();
    DC6FileHeader header;
    if (m_bDocLoaded != 1 || index < 0 || !m_DC6File.GetDC6FileHeader(header))
        return;
    CReplaceIndexDlg dialog(m_nCurrentIndex, m_nReplaceTo, this);
    if (m_pInteraction->ExecDialog(dialog) != QDialog::Accepted)
        return;
    m_nReplaceTo = dialog.m_nTo;
    const int frames = header.m_iFramesPerDirection;
    const int direction = dialog.m_Scope == CReplaceIndexDlg::Scope::Sprite ? -1 : index / frames;
    const int frame = dialog.m_Scope == CReplaceIndexDlg::Scope::Frame ? index % frames : -1;
    FramesBefore before;
    int64_t changed = 0;
    std::string error;
    if (!ReplaceIndex(
            m_DC6File, static_cast<uint8_t>(dialog.m_nFrom), static_cast<uint8_t>(dialog.m_nTo),
            direction, frame, changed, error,
            [&](int i, std::span<const uint8_t>) { before.emplace_back(i, Copy(m_DC6File, i)); })) {
        ShowError(error);
        return;
    }
    // Undo and redo show the selected frame when it changed.
    const auto selected = std::ranges::find(before, index, &FramesBefore::value_type::first);
    if (selected != before.end())
        std::rotate(before.begin(), selected, selected + 1);
    if (!before.empty())
        FinishPixelEdit(tr("替换索引 %1→%2").arg(dialog.m_nFrom).arg(dialog.m_nTo),
                        std::move(before));
}

void CMainDlg::FinishPixelEdit(const QString& name, FramesBefore before)
{
    DC6FileHeader header;
    if (!m_DC6File.GetDC6FileHeader(header))
        return;
    std::vector<CFrameChange> changes;
    changes.reserve(before.size());
    for (auto& [index, frame] : before) {
        CFrameChange& change = changes.emplace_back();
        change.position = {index / header.m_iFramesPerDirection,
                           index % header.m_iFramesPerDirection};
        change.before = std::move(frame);
        m_DC6File.GetDC6Frame(index, change.after);
    }
    PushFramePixelsEdit(name, std::move(changes));
}
