// The main window's commands over sprite sheets with a JSON atlas: export
// the sprite as one sheet, and build a sprite from a sheet and its atlas.

#include "DialogParts.h"
#include "ExportSheetDlg.h"
#include "MainDlg.h"
#include "SpriteSheet.h"

#include <QDir>
#include <QFileInfo>

namespace {

const char* const kSheetSaveFilters[] = {
    QT_TRANSLATE_NOOP("FileFilter", "PNG Format (*.png)"),
    QT_TRANSLATE_NOOP("FileFilter", "Windows/OS2 Bitmap (*.bmp)"),
    QT_TRANSLATE_NOOP("FileFilter", "CompuServe Graphics Interlace (*.gif)"),
    QT_TRANSLATE_NOOP("FileFilter", "Tagged Image File Format (*.tif *.tiff)"),
    QT_TRANSLATE_NOOP("FileFilter", "ZSoft Paintbrush (*.pcx)"),
};

const char* const kSheetOpenFilters[] = {
    QT_TRANSLATE_NOOP("FileFilter", "Supported Types (*.png *.bmp *.gif *.tif *.tiff *.pcx)"),
    QT_TRANSLATE_NOOP("FileFilter", "PNG Format (*.png)"),
    QT_TRANSLATE_NOOP("FileFilter", "Windows/OS2 Bitmap (*.bmp)"),
    QT_TRANSLATE_NOOP("FileFilter", "CompuServe Graphics Interlace (*.gif)"),
    QT_TRANSLATE_NOOP("FileFilter", "Tagged Image File Format (*.tif *.tiff)"),
    QT_TRANSLATE_NOOP("FileFilter", "ZSoft Paintbrush (*.pcx)"),
    QT_TRANSLATE_NOOP("FileFilter", "All files (*.*)"),
};

const char* const kAtlasFilters[] = {
    QT_TRANSLATE_NOOP("FileFilter", "JSON Atlas (*.json)"),
    QT_TRANSLATE_NOOP("FileFilter", "All files (*.*)"),
};

} // namespace

QString CMainDlg::AtlasFileDialog(bool save, const QString& sheet)
{
    CUserInteraction::FileRequest request;
    request.bSave = save;
    request.strCaption = save ? tr("Save Atlas") : tr("Open Atlas");
    request.filters = FileFilters(kAtlasFilters);
    request.strDefaultSuffix = "json";
    // The atlas that goes with the sheet lies beside it, named alike.
    const QFileInfo info(sheet);
    request.strFileName = info.dir().filePath(info.completeBaseName() + ".json");
    return FileDialog(request);
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
    request.filters = FileFilters(kSheetSaveFilters);
    request.strDefaultSuffix = "png";
    const QString sheet = FileDialog(request);
    if (sheet.isEmpty())
        return;
    const QString atlas = AtlasFileDialog(true, sheet);
    if (atlas.isEmpty())
        return;
    std::string error;
    if (!ExportSpriteSheet(m_DC6File, m_Palette, options.m_Options, sheet.toStdString(),
                           atlas.toStdString(), error))
        ShowError(error);
    else
        ShowStatus(tr("已导出图集 %1").arg(QDir::toNativeSeparators(sheet)));
}

void CMainDlg::OnImportSheet()
{
    if (!CloseForNewSprite())
        return;
    CUserInteraction::FileRequest request;
    request.strCaption = tr("Import Sprite Sheet");
    request.filters = FileFilters(kSheetOpenFilters);
    const QString sheet = FileDialog(request);
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
    ShowNewSprite(sheet);
}
