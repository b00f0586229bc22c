#include "MainApp.h"

#include "MainDlg.h"

#include <QIcon>

CMainApp::CMainApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName("Spritewright");
}

int CMainApp::InitInstance()
{
    const auto folder = CMainDlg::GetModuleFolder();
    CMainDlg dialog(folder, std::make_unique<CQtInteraction>());
    dialog.setWindowIcon(QIcon(QString::fromStdString((folder / "data" / "icon.png").string())));
    const QStringList args = arguments();
    if (args.size() == 2)
        dialog.SetStartPath(args[1]);
    dialog.OnInitDialog();
    dialog.show();
    dialog.exec();
    return 0;
}
