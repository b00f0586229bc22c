// The main window's commands over sprite descriptions: export every frame
// with a description, and build a sprite from one.

#include "BuildFromIni.h"
#include "DialogParts.h"
#include "ExportAll.h"
#include "ExportOptionsDlg.h"
#include "FolderDialog.h"
#include "MainDlg.h"

#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QProgressDialog>

namespace {

const char* const kIniFilters[] = {
    QT_TRANSLATE_NOOP("FileFilter", "Spritewright Ini File (*.ini)")};

// A progress bar for work over many files: it shows when the work takes
// longer than a moment, and its Cancel button stops the work before the
// next file.
class CFilesProgress {
public:
    CFilesProgress(const QString& caption, int delay, QWidget* parent)
        : m_Dialog(caption, CMainDlg::tr("取消"), 0, 1, parent)
    {
        m_Dialog.setObjectName("m_dlgProgress");
        m_Dialog.setWindowModality(Qt::WindowModal);
        m_Dialog.setMinimumDuration(delay);
        m_Dialog.setValue(0);
    }
    CProgress Report()
    {
        return [this](int64_t done, int64_t total) {
            m_Dialog.setMaximum(static_cast<int>(total));
            m_Dialog.setValue(static_cast<int>(done));
            return !m_Dialog.wasCanceled();
        };
    }
    bool Cancelled() const { return m_Dialog.wasCanceled(); }

private:
    QProgressDialog m_Dialog;
};

} // namespace

void CMainDlg::OnExportAll()
{
    if (m_bDocLoaded != 1)
        return;
    CExportOptionsDlg options(this);
    if (m_pInteraction->ExecDialog(options) != QDialog::Accepted)
        return;
    CFolderDialog folder(*m_pInteraction, tr("Select Directory To Export To"), this);
    folder.m_strStartFolder = m_strLastFolder;
    if (folder.DoModal() != 1)
        return;
    RememberFolder(folder.m_strFolderPath, true);
    CExportFormat format;
    ExportFormatFromExtension(options.Extension().toStdString(), format);
    std::filesystem::path description;
    std::string error;
    CFilesProgress progress(tr("全部导出"), m_nProgressDelay, this);
    if (!ExportAllFrames(m_DC6File, m_Palette, folder.m_strFolderPath.toStdString(), format,
                         options.m_bAnimation != 0, description, error, options.m_nFramesPerSecond,
                         progress.Report())) {
        if (progress.Cancelled())
            ShowStatus(tr("已取消全部导出"));
        else
            ShowError(error);
        return;
    }
    ShowStatus(tr("已导出 %1 帧到 %2")
                   .arg(m_DC6File.GetFrameListLength())
                   .arg(QString::fromStdString(description.parent_path().string())));
}

bool CMainDlg::CloseForNewSprite()
{
    StopPlayback();
    if (m_bDocLoaded != 1)
        return true;
    if (!Ask("This will close currently open DC6!! Continue?", "Attention",
             CUserInteraction::Icon::Question))
        return false;
    OnFileClose();
    return m_bDocLoaded != 1;
}

void CMainDlg::ShowNewSprite(const QString& source)
{
    FillFrameLists();
    m_bDocLoaded = 1;
    m_bUntitled = 1;
    m_strFileName.clear();
    RestartHistory(false);
    ShowFrame(0);
    DC6FileHeader header{};
    m_DC6File.GetDC6FileHeader(header);
    ShowStatus(tr("已生成 %1（%2 × %3 帧）")
                   .arg(QDir::toNativeSeparators(source))
                   .arg(header.m_iDirections)
                   .arg(header.m_iFramesPerDirection));
}

void CMainDlg::OnBuildFromIni()
{
    if (!CloseForNewSprite())
        return;
    CUserInteraction::FileRequest request;
    request.filters = FileFilters(kIniFilters);
    request.strDefaultSuffix = "ini";
    const QString path = FileDialog(request);
    if (path.isEmpty())
        return;

    ClearFrameLists();
    std::string error;
    CFilesProgress progress(tr("INI→DC6"), m_nProgressDelay, this);
    if (!BuildFromIni(path.toStdString(), m_Palette, m_DC6File, error, nullptr,
                      progress.Report())) {
        if (!progress.Cancelled())
            ShowError(error);
        // Whatever the build left is not kept: the logo comes back.
        SetSaved(1);
        OnFileClose();
        if (progress.Cancelled())
            ShowStatus(tr("已取消 INI→DC6"));
        return;
    }
    ShowNewSprite(path);
}
