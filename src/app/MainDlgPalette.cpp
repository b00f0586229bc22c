// The main window's own palettes: those in the user palette folder, listed
// after the catalogue's, and the command that adds one from any palette
// file. Reading the formats is the image layer's.

#include "AtomicFile.h"
#include "DialogParts.h"
#include "MainDlg.h"
#include "PaletteFormats.h"

#include <QComboBox>

namespace {

const char* const kPaletteFilters[] = {
    QT_TRANSLATE_NOOP("FileFilter",
                      "Palettes (*.pal *.act *.gpl *.dat *.png *.gif *.bmp *.pcx *.tif *.tiff)"),
    QT_TRANSLATE_NOOP("FileFilter", "JASC-PAL, RIFF or raw palette (*.pal)"),
    QT_TRANSLATE_NOOP("FileFilter", "Adobe Color Table (*.act)"),
    QT_TRANSLATE_NOOP("FileFilter", "GIMP Palette (*.gpl)"),
    QT_TRANSLATE_NOOP("FileFilter", "Game palette (*.dat)"),
    QT_TRANSLATE_NOOP("FileFilter", "Indexed picture (*.png *.gif *.bmp *.pcx *.tif *.tiff)"),
    QT_TRANSLATE_NOOP("FileFilter", "All files (*.*)"),
};

// The file of a user palette, kept with its entry in the palette box.
QString UserPaletteFile(const std::filesystem::path& folder, const std::string& name)
{
    return QString::fromStdString((folder / name).string());
}

} // namespace

void CMainDlg::AddUserPalettes()
{
    for (const std::string& name : ListUserPalettes(m_UserPaletteFolder))
        m_cboPalette->addItem(QString::fromStdString(name),
                              UserPaletteFile(m_UserPaletteFolder, name));
}

bool CMainDlg::ReadUserPalette(const QString& file)
{
    CPaletteFile read;
    std::string error;
    if (!ReadPalette(file.toStdString(), RawPalettes::Exact, read, error)) {
        ShowError(error);
        return false;
    }
    m_Palette = read.palette;
    return true;
}

void CMainDlg::OnLoadPalette()
{
    CUserInteraction::FileRequest request;
    request.strCaption = tr("载入调色板");
    request.filters = FileFilters(kPaletteFilters);
    const QString path = FileDialog(request);
    if (path.isEmpty())
        return;
    const std::filesystem::path source = path.toStdString();
    CPaletteFile read;
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadPalette(source, RawPalettes::Exact, read, error, &bytes)) {
        ShowError(error);
        return;
    }
    if (m_UserPaletteFolder.empty()) {
        ShowError("There is no folder for your palettes: neither XDG_DATA_HOME nor HOME is set");
        return;
    }

    // The file goes into the user palette folder under its own name, as it
    // is, so that it reads the same there.
    const std::string name = source.filename().string();
    const auto target = m_UserPaletteFolder / name;
    std::error_code ec;
    if (!std::filesystem::equivalent(source, target, ec)) {
        if (std::filesystem::exists(target, ec) &&
            !Ask(QString::fromStdString("A palette named " + name + " is already in " +
                                        m_UserPaletteFolder.string() +
                                        ".\nDo you want to replace it?"),
                 "Question", CUserInteraction::Icon::Question))
            return;
        std::filesystem::create_directories(m_UserPaletteFolder, ec);
        if (!WriteFileAtomically(target, bytes, error)) {
            ShowError(error);
            return;
        }
    }

    // Its entry, new ones in their place among the user's palettes.
    const QString text = QString::fromStdString(name);
    const QString file = UserPaletteFile(m_UserPaletteFolder, name);
    int entry = m_cboPalette->findData(file);
    if (entry < 0) {
        entry = m_cboPalette->count();
        for (int i = 0; i < m_cboPalette->count(); ++i) {
            if (m_cboPalette->itemData(i).isValid() &&
                QString::compare(m_cboPalette->itemText(i), text, Qt::CaseInsensitive) > 0) {
                entry = i;
                break;
            }
        }
        m_cboPalette->insertItem(entry, text, file);
    }
    m_cboPalette->setCurrentIndex(entry);
    m_nPaletteEntry = entry;
    m_Palette = read.palette;
    ShowPalette();
    if (const std::string note = ShortPaletteNote(name, read); !note.empty())
        Message(QString::fromStdString(note), "Info", CUserInteraction::Buttons::Ok,
                CUserInteraction::Icon::Information);
}
