#include "MainApp.h"

#include "DataFolder.h"
#include "MainDlg.h"

#include <QIcon>

CMainApp::CMainApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName("Spritewright");
    // Ties the window to its desktop entry (and so to its icon in a panel).
    setDesktopFileName(SPRITEWRIGHT_APP_ID);
}

int CMainApp::InitInstance()
{
    const auto folder = CMainDlg::GetModuleFolder();
    CMainDlg dialog(folder, std::make_unique<CQtInteraction>());
    dialog.setWindowIcon(
        QIcon(QString::fromStdString((FindDataFolder(folder) / "icon.png").string())));
    const QStringList args = arguments();
    if (args.size() == 2)
        dialog.SetStartPath(args[1]);
    dialog.OnInitDialog();
    dialog.show();
    dialog.exec();
    return 0;
}
