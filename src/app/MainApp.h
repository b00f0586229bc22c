#pragma once

#include <QApplication>

// The application: makes the main window, hands it the file named on the
// command line when there is exactly one, and ends when the window closes.
class CMainApp : public QApplication {
    Q_OBJECT

public:
    CMainApp(int& argc, char** argv);
    int InitInstance();
};
