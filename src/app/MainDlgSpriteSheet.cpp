// The main window's commands over sprite sheets with a JSON atlas: export
// the sprite as one sheet, and build a sprite from a sheet and its atlas.

#include "ExportSheetDlg.h"
#include "MainDlg.h"
#include "SpriteSheet.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QStringList kSheetSaveFilters = {
    "PNG Format (*.png)",
    "Windows/OS2 Bitmap (*.bmp)",
    "CompuServe Graphics Interlace (*.gif)",
    "Tagged Image File Format (*.tif *.tiff)",
    "ZSoft Paintbrush (*.pcx)",
};

const QStringList kSheetOpenFilters =
    QStringList{"Supported Types (*.png *.bmp *.gif *.tif *.tiff *.pcx)"} + kSheetSaveFilters +
    QStringList{"All files (*.*)"};

const QStringList kAtlasFilters = {"JSON Atlas (*.json)", "All files (*.*)"};

} // namespace

QString CMainDlg::AtlasFileDialog(bool save, const QString& sheet)
{
    CUserInteraction::FileRequest request;
    request.bSave = save;
    request.strCaption = save ? tr("Save Atlas") : tr("Open Atlas");
    request.filters = kAtlasFilters;
    request.strDefaultSuffix = "json";
    // The atlas that goes with the sheet lies beside it, named alike.
    const QFileInfo info(sheet);
    request.strFileName = info.dir().filePath(info.completeBaseName() + ".json");
    return m_pInteraction->FileDialog(this, request);
}

void CMainDlg::OnExportSheet()
{
    if (m_bDocLoaded != 1)
        return;
    CExportSheetDlg options(this);
    if (m_pInteraction->ExecDialog(options) != QDialog::Accepted)
        return;
    CUserInteraction::FileRequest request;
    request.bSave = true;
    request.strCaption = tr("Export Sprite Sheet");
    request.filters = kSheetSaveFilters;
    request.strDefaultSuffix = "png";
    const QString sheet = m_pInteraction->FileDialog(this, request);
    if (sheet.isEmpty())
        return;
    const QString atlas = AtlasFileDialog(true, sheet);
    if (atlas.isEmpty())
        return;
    std::string error;
    if (!ExportSpriteSheet(m_DC6File, m_Palette, options.m_Options, sheet.toStdString(),
                           atlas.toStdString(), error))
        ShowError(error);
}

void CMainDlg::OnImportSheet()
{
    if (!CloseForNewSprite())
        return;
    CUserInteraction::FileRequest request;
    request.strCaption = tr("Import Sprite Sheet");
    request.filters = kSheetOpenFilters;
    const QString sheet = m_pInteraction->FileDialog(this, request);
    if (sheet.isEmpty())
        return;
    const QString atlas = AtlasFileDialog(false, sheet);
    if (atlas.isEmpty())
        return;
    // Nothing changes until the sheet and its atlas have been checked.
    std::string error;
    if (!ImportSpriteSheet(sheet.toStdString(), atlas.toStdString(), m_Palette, m_DC6File, error)) {
        ShowError(error);
        return;
    }
    ShowNewSprite();
}
