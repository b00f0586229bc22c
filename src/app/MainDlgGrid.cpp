// The main window's commands that change the grid of frames: directions,
// frame numbers and offsets. The edits themselves are GridEdit's; these keep
// the direction box and the frame list in step and show the result.

#include "ChangeOffsetDlg.h"
#include "GridEdit.h"
#include "MainDlg.h"

#include <QComboBox>
#include <QListWidget>

#include <algorithm>
#include <vector>

namespace {

const char kDeleteDirectionQuestion[] =
    "This will delete all the frames in this direction!\nProcede?";
const char kDeleteFrameQuestion[] =
    "This will delete the same frame number in all Directions\nProcede?";

} // namespace

bool CMainDlg::Confirm(const char* question)
{
    return Ask(question, "Warning", CUserInteraction::Icon::Exclamation);
}

bool CMainDlg::ReportGridError(bool done, const std::string& error)
{
    if (!done)
        ShowError(error);
    return done;
}

void CMainDlg::AppendDirectionLabel()
{
    const QSignalBlocker block(m_cboDirection);
    m_cboDirection->addItem(QString::asprintf("%02d", m_cboDirection->count()));
}

void CMainDlg::AppendFrameLabels(int count)
{
    const QSignalBlocker block(m_lstFrame);
    for (int i = 0; i < count; ++i)
        m_lstFrame->addItem(QString::asprintf("%04d", m_lstFrame->count()));
}

namespace {

QString DirectionLabel(int direction)
{
    return QString::asprintf("%02d", direction);
}

QString FrameLabel(int frame)
{
    return QString::asprintf("%04d", frame);
}

// The frames an edit is about to delete, to be put back by its undo.
std::vector<CGridCommand::KeptFrame> TakeFrames(const CDC6File& doc,
                                                const std::vector<CFramePosition>& positions)
{
    DC6FileHeader header{};
    doc.GetDC6FileHeader(header);
    std::vector<CGridCommand::KeptFrame> kept(positions.size());
    for (size_t i = 0; i < positions.size(); ++i) {
        kept[i].position = positions[i];
        doc.GetDC6Frame(positions[i].nDirection * header.m_iFramesPerDirection +
                            positions[i].nFrame,
                        kept[i].frame);
    }
    return kept;
}

} // namespace

void CMainDlg::OnDeleteDirection()
{
    StopPlayback();
    const int direction = m_cboDirection->currentIndex();
    const int frame = m_lstFrame->currentRow();
    if (direction < 0 || frame < 0 || !Confirm(kDeleteDirectionQuestion))
        return;
    std::vector<CFramePosition> positions;
    for (int f = 0; f < m_lstFrame->count(); ++f)
        positions.push_back({direction, f});
    auto kept = TakeFrames(m_DC6File, positions);
    std::string error;
    if (!ReportGridError(DeleteDirection(m_DC6File, direction, error), error))
        return;
    Record(new CGridCommand(m_UndoTarget, tr("删除方向 %1").arg(DirectionLabel(direction)),
                            {CGridCommand::Lines::Directions, direction, 1, false}, std::move(kept),
                            {0, frame}, {direction, frame}));
}

void CMainDlg::OnAddDirection()
{
    StopPlayback();
    if (SelectedFrameIndex() < 0)
        return;
    const int directions = m_cboDirection->count();
    const CFramePosition selected{m_cboDirection->currentIndex(), m_lstFrame->currentRow()};
    std::string error;
    if (!ReportGridError(AddDirection(m_DC6File, error), error))
        return;
    Record(new CGridCommand(m_UndoTarget, tr("添加方向 %1").arg(DirectionLabel(directions)),
                            {CGridCommand::Lines::Directions, directions, 1, true}, {},
                            {directions, selected.nFrame}, selected));
}

void CMainDlg::OnInsertDirection()
{
    StopPlayback();
    const CFramePosition selected{m_cboDirection->currentIndex(), m_lstFrame->currentRow()};
    if (selected.nDirection < 0 || selected.nFrame < 0)
        return;
    std::string error;
    if (!ReportGridError(InsertDirection(m_DC6File, selected.nDirection, error), error))
        return;
    Record(new CGridCommand(
        m_UndoTarget, tr("插入方向 %1").arg(DirectionLabel(selected.nDirection)),
        {CGridCommand::Lines::Directions, selected.nDirection, 1, true}, {}, selected, selected));
}

void CMainDlg::OnDeleteFrame()
{
    StopPlayback();
    const CFramePosition selected{m_cboDirection->currentIndex(), m_lstFrame->currentRow()};
    if (selected.nFrame < 0 || selected.nDirection < 0 || !Confirm(kDeleteFrameQuestion))
        return;
    std::vector<CFramePosition> positions;
    for (int d = 0; d < m_cboDirection->count(); ++d)
        positions.push_back({d, selected.nFrame});
    auto kept = TakeFrames(m_DC6File, positions);
    std::string error;
    if (!ReportGridError(DeleteFrameNumber(m_DC6File, selected.nFrame, error), error))
        return;
    // The selection stays where it was, or moves to the new last frame when
    // the last one was deleted.
    const int shown = std::min(selected.nFrame, m_lstFrame->count() - 2);
    Record(new CGridCommand(m_UndoTarget, tr("删除帧 %1").arg(FrameLabel(selected.nFrame)),
                            {CGridCommand::Lines::FrameNumbers, selected.nFrame, 1, false},
                            std::move(kept), {selected.nDirection, shown}, selected));
}

void CMainDlg::OnAddFrame()
{
    StopPlayback();
    if (SelectedFrameIndex() < 0)
        return;
    const int frames = m_lstFrame->count();
    const CFramePosition selected{m_cboDirection->currentIndex(), m_lstFrame->currentRow()};
    std::string error;
    if (!ReportGridError(AddFrameNumber(m_DC6File, error), error))
        return;
    Record(new CGridCommand(m_UndoTarget, tr("添加帧 %1").arg(FrameLabel(frames)),
                            {CGridCommand::Lines::FrameNumbers, frames, 1, true}, {},
                            {selected.nDirection, frames}, selected));
}

void CMainDlg::OnInsertFrame()
{
    StopPlayback();
    const CFramePosition selected{m_cboDirection->currentIndex(), m_lstFrame->currentRow()};
    if (selected.nFrame < 0 || selected.nDirection < 0)
        return;
    std::string error;
    if (!ReportGridError(InsertFrameNumber(m_DC6File, selected.nFrame, error), error))
        return;
    Record(new CGridCommand(m_UndoTarget, tr("插入帧 %1").arg(FrameLabel(selected.nFrame)),
                            {CGridCommand::Lines::FrameNumbers, selected.nFrame, 1, true}, {},
                            selected, selected));
}

void CMainDlg::OnChangeOffset()
{
    StopPlayback();
    const CFramePosition selected{m_cboDirection->currentIndex(), m_lstFrame->currentRow()};
    const int index = SelectedFrameIndex();
    if (index < 0)
        return;
    const int oldX = m_DC6File.GetFrameOffsetX(index);
    const int oldY = m_DC6File.GetFrameOffsetY(index);
    CChangeOffsetDlg dialog(oldX, oldY, this);
    if (m_pInteraction->ExecDialog(dialog) != QDialog::Accepted)
        return;
    std::string error;
    if (!ReportGridError(SetFrameOffset(m_DC6File, selected.nDirection, selected.nFrame,
                                        dialog.m_nOffsetX, dialog.m_nOffsetY, error),
                         error))
        return;
    Record(new COffsetCommand(
        m_UndoTarget,
        tr("更改位移 %1/%2").arg(DirectionLabel(selected.nDirection), FrameLabel(selected.nFrame)),
        selected, oldX, oldY, dialog.m_nOffsetX, dialog.m_nOffsetY));
}

void CMainDlg::Record(CSpriteCommand* step)
{
    m_History.Push(step);
    ShowStatus(step->text());
}

void CMainDlg::PushFramePixelsEdit(const QString& text, std::vector<CFrameChange> changes)
{
    StopPlayback();
    Record(new CFramePixelsCommand(m_UndoTarget, text, std::move(changes)));
}

void CMainDlg::OnDocumentChanged(const CFramePosition& position)
{
    DC6FileHeader header{};
    m_DC6File.GetDC6FileHeader(header);
    {
        const QSignalBlocker blockFrames(m_lstFrame);
        const QSignalBlocker blockDirections(m_cboDirection);
        while (m_cboDirection->count() > header.m_iDirections)
            m_cboDirection->removeItem(m_cboDirection->count() - 1);
        while (m_cboDirection->count() < header.m_iDirections)
            AppendDirectionLabel();
        while (m_lstFrame->count() > header.m_iFramesPerDirection)
            delete m_lstFrame->takeItem(m_lstFrame->count() - 1);
        AppendFrameLabels(header.m_iFramesPerDirection - m_lstFrame->count());
        m_cboDirection->setCurrentIndex(
            std::clamp(position.nDirection, 0, header.m_iDirections - 1));
        m_lstFrame->setCurrentRow(std::clamp(position.nFrame, 0, header.m_iFramesPerDirection - 1));
    }
    ShowFrame(SelectedFrameIndex());
    RefreshState();
}

void CMainDlg::RestartHistory(bool saved)
{
    m_History.Restart(saved);
    SetSaved(saved ? 1 : 0);
}

void CMainDlg::OnUndo()
{
    StopPlayback();
    if (!m_History.CanUndo())
        return;
    const QString text = m_History.Stack().undoText();
    m_History.Undo();
    ShowStatus(tr("已撤销 %1").arg(text));
}

void CMainDlg::OnRedo()
{
    StopPlayback();
    if (!m_History.CanRedo())
        return;
    const QString text = m_History.Stack().redoText();
    m_History.Redo();
    ShowStatus(tr("已重做 %1").arg(text));
}
