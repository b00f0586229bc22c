#pragma once

#include "Translations.h"

#include <QApplication>

#include <optional>

// The application: reads the command line, chooses the window's language,
// makes the main window, hands it the file named on the command line when
// there is exactly one, and ends when the window closes.
class CMainApp : public QApplication {
    Q_OBJECT

public:
    // What the command line asks for. `--lang zh|en` (or `--lang=zh|en`),
    // anywhere, chooses the language; the other arguments are files, and a
    // file is opened at start when there is exactly one.
    struct CCommandLine {
        QString strStartPath;
        std::optional<ELanguage> language;
        // Why the command line cannot be used; empty when it can.
        QString strError;
    };

    CMainApp(int& argc, char** argv);
    // Runs the window; the program's exit status.
    int InitInstance();

    // `arguments` without the program's name.
    static CCommandLine ParseCommandLine(const QStringList& arguments);
};
