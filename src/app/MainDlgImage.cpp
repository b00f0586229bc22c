// The main window's commands that move pictures between image files and
// frames. The work itself is the image layer's; these ask the questions,
// keep the frame list in step and show the result.

#include "DialogParts.h"
#include "ExportFrame.h"
#include "FramedSheet.h"
#include "Image.h"
#include "ImportImage.h"
#include "MainDlg.h"
#include "SheetDlg.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>

namespace {

// The image file types the dialogs offer, in the order of their filters.
const char* const kImageFilters[] = {
    QT_TRANSLATE_NOOP("FileFilter",
                      "Supported Types (*.bmp *.pcx *.tif *.tiff *.gif *.jpg *.jpeg *.png)"),
    QT_TRANSLATE_NOOP("FileFilter", "Windows/OS2 Bitmap (*.bmp)"),
    QT_TRANSLATE_NOOP("FileFilter", "CompuServe Graphics Interlace (*.gif)"),
    QT_TRANSLATE_NOOP("FileFilter", "Tagged Image File Format (*.tif *.tiff)"),
    QT_TRANSLATE_NOOP("FileFilter", "ZSoft Paintbrush (*.pcx)"),
    QT_TRANSLATE_NOOP("FileFilter", "JPG Format (*.jpg *.jpeg)"),
    QT_TRANSLATE_NOOP("FileFilter", "All files (*.*)"),
    QT_TRANSLATE_NOOP("FileFilter", "PNG Format (*.png)"),
};

} // namespace

bool CMainDlg::Ask(const QString& question, const QString& caption, CUserInteraction::Icon icon)
{
    return Message(question, caption, CUserInteraction::Buttons::YesNo, icon) ==
           CUserInteraction::Answer::Yes;
}

void CMainDlg::ShowError(const std::string& text)
{
    Message(QString::fromStdString(text), "Error", CUserInteraction::Buttons::Ok,
            CUserInteraction::Icon::Error);
}

QString CMainDlg::ImageFileDialog(bool save, const QString& caption, const QStringList& filters)
{
    // Import and export open on the file type last chosen in either.
    CUserInteraction::FileRequest request;
    request.bSave = save;
    request.strCaption = caption;
    request.filters = filters;
    request.nFilterIndex = m_nFilterIndex;
    request.strDefaultSuffix = "bmp";
    const QString path = FileDialog(request);
    if (!path.isEmpty())
        m_nFilterIndex = request.nFilterIndex;
    return path;
}

void CMainDlg::OnImport()
{
    StopPlayback();
    const int direction = m_cboDirection->currentIndex();
    const int frame = m_lstFrame->currentRow();
    if (direction < 0 || frame < 0)
        return;
    const QString path = ImageFileDialog(false, tr("Import Image"), FileFilters(kImageFilters));
    if (!path.isEmpty())
        ImportFile(path);
}

void CMainDlg::ImportFile(const QString& path)
{
    const int direction = m_cboDirection->currentIndex();
    const int frame = m_lstFrame->currentRow();
    if (direction < 0 || frame < 0)
        return;

    const auto info = CUserInteraction::Icon::Information;
    CImportQuestions questions;
    questions.SplitOversized = [&] {
        return Ask("The Image you want to import is larger than allowed for a DC6 frame,\nDo You "
                   "want to split the image into frames after the selceted one?",
                   "Info", info);
    };
    questions.ImportAllImages = [&] {
        return Ask("Gif contains frames!! Do you want to import all frames?", "Info", info);
    };
    questions.InsertImages = [&] {
        return Ask("Yes = Insert\nNo = Overwrite\n(Selected frame is always overwritten)",
                   "Question", CUserInteraction::Icon::Question);
    };
    // The frames the import may overwrite, for its undo.
    std::vector<DC6Frame> before(static_cast<size_t>(m_lstFrame->count() - frame));
    for (size_t i = 0; i < before.size(); ++i)
        m_DC6File.GetDC6Frame(SelectedFrameIndex() + static_cast<int>(i), before[i]);
    CImportResult result;
    std::string error;
    if (!ImportImage(m_DC6File, direction, frame, path.toStdString(), m_Palette, questions, result,
                     error)) {
        ShowError(error);
        return;
    }
    const QString name = QFileInfo(path).fileName();
    Record(CGridCommand::AfterFramesWritten(m_UndoTarget, tr("导入 %1").arg(name), direction, frame,
                                            result.nFramesAdded, std::move(before)));
}

void CMainDlg::OnExport()
{
    const int index = SelectedFrameIndex();
    if (index < 0)
        return;
    const QString path = ImageFileDialog(true, tr("Export Frame"), ImageSaveFilters());
    if (path.isEmpty())
        return;
    std::string error;
    if (!ExportFrame(m_DC6File, index, m_Palette, path.toStdString(),
                     ImageTypeFromExtension(path.toStdString()), error))
        ShowError(error);
    else
        ShowStatus(tr("已导出 %1").arg(QDir::toNativeSeparators(path)));
}

void CMainDlg::OnShowFrames()
{
    DC6FileHeader header;
    if (m_bDocLoaded != 1 || !m_DC6File.GetDC6FileHeader(header))
        return;
    CSheetOptionsDlg options(header.m_iFramesPerDirection, this);
    if (m_pInteraction->ExecDialog(options) != QDialog::Accepted)
        return;
    CSheetLayout layout;
    layout.nStart = options.m_nStart;
    layout.nAcross = options.m_nAcross;
    layout.nDown = options.m_nDown;
    CImage sheet;
    std::string message;
    switch (ComposeFramedSheet(m_DC6File, layout, m_Palette, sheet, message)) {
    case SheetResult::Ok:
        break;
    case SheetResult::NotEnoughFrames:
        return;
    case SheetResult::NotFullSized:
        Message(QString::fromStdString(message), "Info", CUserInteraction::Buttons::Ok,
                CUserInteraction::Icon::Information);
        return;
    case SheetResult::DoesNotFit:
    case SheetResult::BadLayout:
        ShowError(message);
        return;
    }
    CSheetDlg window(sheet, options.m_bSave, *m_pInteraction, this);
    m_pInteraction->ExecDialog(window);
}
