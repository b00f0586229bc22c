#include "MainApp.h"

#include "DataFolder.h"
#include "MainDlg.h"

#include <QIcon>
#include <QLocale>

#include <cstdio>

CMainApp::CMainApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName("Spritewright");
    // Ties the window to its desktop entry (and so to its icon in a panel).
    setDesktopFileName(SPRITEWRIGHT_APP_ID);
}

CMainApp::CCommandLine CMainApp::ParseCommandLine(const QStringList& arguments)
{
    CCommandLine line;
    QStringList files;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        QString name;
        if (argument == "--lang") {
            if (++i == arguments.size()) {
                line.strError = "--lang needs a language: zh or en";
                return line;
            }
            name = arguments[i];
        } else if (argument.startsWith("--lang=")) {
            name = argument.mid(7);
        } else {
            files.push_back(argument);
            continue;
        }
        line.language = LanguageFromName(name);
        if (!line.language) {
            line.strError = "unknown language \"" + name + "\" for --lang: zh or en";
            return line;
        }
    }
    if (files.size() == 1)
        line.strStartPath = files.front();
    return line;
}

int CMainApp::InitInstance()
{
    // Qt has taken its own options out of the arguments by now; main has
    // turned a wrong --lang away.
    const CCommandLine line = ParseCommandLine(arguments().mid(1));
    const CTranslations translations(
        line.language.value_or(ChooseLanguage(QLocale::system().uiLanguages())));
    if (!translations.Loaded())
        std::fprintf(stderr, "spritewright: the English captions could not be loaded\n");

    const auto folder = CMainDlg::GetModuleFolder();
    CMainDlg dialog(folder, std::make_unique<CQtInteraction>());
    dialog.setWindowIcon(
        QIcon(QString::fromStdString((FindDataFolder(folder) / "icon.png").string())));
    if (!line.strStartPath.isEmpty())
        dialog.SetStartPath(line.strStartPath);
    dialog.OnInitDialog();
    dialog.show();
    dialog.exec();
    return 0;
}
