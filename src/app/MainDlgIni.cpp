// The main window's commands over sprite descriptions: export every frame
// with a description, and build a sprite from one.

#include "BuildFromIni.h"
#include "DialogParts.h"
#include "ExportAll.h"
#include "ExportOptionsDlg.h"
#include "FolderDialog.h"
#include "MainDlg.h"

#include <QComboBox>
#include <QListWidget>

namespace {

const char* const kIniFilters[] = {
    QT_TRANSLATE_NOOP("FileFilter", "Spritewright Ini File (*.ini)")};

} // namespace

void CMainDlg::OnExportAll()
{
    if (m_bDocLoaded != 1)
        return;
    CExportOptionsDlg options(this);
    if (m_pInteraction->ExecDialog(options) != QDialog::Accepted)
        return;
    CFolderDialog folder(*m_pInteraction, tr("Select Directory To Export To"), this);
    if (folder.DoModal() != 1)
        return;
    CExportFormat format;
    ExportFormatFromExtension(options.Extension().toStdString(), format);
    std::filesystem::path description;
    std::string error;
    if (!ExportAllFrames(m_DC6File, m_Palette, folder.m_strFolderPath.toStdString(), format,
                         options.m_bAnimation != 0, description, error, options.m_nFramesPerSecond))
        ShowError(error);
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

void CMainDlg::ShowNewSprite()
{
    FillFrameLists();
    m_bDocLoaded = 1;
    m_bUntitled = 1;
    m_strFileName.clear();
    RestartHistory(false);
    ShowFrame(0);
}

void CMainDlg::OnBuildFromIni()
{
    if (!CloseForNewSprite())
        return;
    CUserInteraction::FileRequest request;
    request.filters = FileFilters(kIniFilters);
    request.strDefaultSuffix = "ini";
    const QString path = m_pInteraction->FileDialog(this, request);
    if (path.isEmpty())
        return;

    ClearFrameLists();
    std::string error;
    if (!BuildFromIni(path.toStdString(), m_Palette, m_DC6File, error)) {
        ShowError(error);
        // Whatever the build left is not kept: the logo comes back.
        SetSaved(1);
        OnFileClose();
        return;
    }
    ShowNewSprite();
}
