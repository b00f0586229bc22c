// The main window's commands that change the grid of frames: directions,
// frame numbers and offsets. The edits themselves are GridEdit's; these keep
// the direction box and the frame list in step and show the result.

#include "ChangeOffsetDlg.h"
#include "GridEdit.h"
#include "MainDlg.h"

#include <QComboBox>
#include <QListWidget>

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

void CMainDlg::FinishGridCommand()
{
    ShowFrame(SelectedFrameIndex());
    SetSaved(0);
}

void CMainDlg::OnDeleteDirection()
{
    StopPlayback();
    const int direction = m_cboDirection->currentIndex();
    if (direction < 0 || m_lstFrame->currentRow() < 0 || !Confirm(kDeleteDirectionQuestion))
        return;
    std::string error;
    if (!ReportGridError(DeleteDirection(m_DC6File, direction, error), error))
        return;
    const QSignalBlocker block(m_cboDirection);
    m_cboDirection->removeItem(m_cboDirection->count() - 1);
    m_cboDirection->setCurrentIndex(0);
    FinishGridCommand();
}

void CMainDlg::OnAddDirection()
{
    StopPlayback();
    if (SelectedFrameIndex() < 0)
        return;
    std::string error;
    if (!ReportGridError(AddDirection(m_DC6File, error), error))
        return;
    AppendDirectionLabel();
    const QSignalBlocker block(m_cboDirection);
    m_cboDirection->setCurrentIndex(m_cboDirection->count() - 1);
    FinishGridCommand();
}

void CMainDlg::OnInsertDirection()
{
    StopPlayback();
    const int direction = m_cboDirection->currentIndex();
    if (direction < 0 || m_lstFrame->currentRow() < 0)
        return;
    std::string error;
    if (!ReportGridError(InsertDirection(m_DC6File, direction, error), error))
        return;
    AppendDirectionLabel();
    FinishGridCommand();
}

void CMainDlg::OnDeleteFrame()
{
    StopPlayback();
    const int frame = m_lstFrame->currentRow();
    if (frame < 0 || m_cboDirection->currentIndex() < 0 || !Confirm(kDeleteFrameQuestion))
        return;
    std::string error;
    if (!ReportGridError(DeleteFrameNumber(m_DC6File, frame, error), error))
        return;
    // The last label goes; the selection stays where it was, or moves to
    // the new last frame when the last one was deleted.
    const QSignalBlocker block(m_lstFrame);
    delete m_lstFrame->takeItem(m_lstFrame->count() - 1);
    m_lstFrame->setCurrentRow(std::min(frame, m_lstFrame->count() - 1));
    FinishGridCommand();
}

void CMainDlg::OnAddFrame()
{
    StopPlayback();
    if (SelectedFrameIndex() < 0)
        return;
    std::string error;
    if (!ReportGridError(AddFrameNumber(m_DC6File, error), error))
        return;
    AppendFrameLabels(1);
    const QSignalBlocker block(m_lstFrame);
    m_lstFrame->setCurrentRow(m_lstFrame->count() - 1);
    FinishGridCommand();
}

void CMainDlg::OnInsertFrame()
{
    StopPlayback();
    const int frame = m_lstFrame->currentRow();
    if (frame < 0 || m_cboDirection->currentIndex() < 0)
        return;
    std::string error;
    if (!ReportGridError(InsertFrameNumber(m_DC6File, frame, error), error))
        return;
    AppendFrameLabels(1);
    const QSignalBlocker block(m_lstFrame);
    m_lstFrame->setCurrentRow(frame);
    FinishGridCommand();
}

void CMainDlg::OnChangeOffset()
{
    StopPlayback();
    const int direction = m_cboDirection->currentIndex();
    const int frame = m_lstFrame->currentRow();
    const int index = SelectedFrameIndex();
    if (index < 0)
        return;
    CChangeOffsetDlg dialog(m_DC6File.GetFrameOffsetX(index), m_DC6File.GetFrameOffsetY(index),
                            this);
    if (m_pInteraction->ExecDialog(dialog) != QDialog::Accepted)
        return;
    std::string error;
    if (!ReportGridError(SetFrameOffset(m_DC6File, direction, frame, dialog.m_nOffsetX,
                                        dialog.m_nOffsetY, error),
                         error))
        return;
    // Offsets do not change the picture: the fields change, the preview not.
    m_strOffsetX = QString::number(dialog.m_nOffsetX);
    m_strOffsetY = QString::number(dialog.m_nOffsetY);
    UpdateInfoFields();
    SetSaved(0);
}
