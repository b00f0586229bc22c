#include "MainApp.h"

#include <cstdio>

int main(int argc, char** argv)
{
    // A wrong --lang is a usage error, told before the window system is
    // needed.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(QString::fromLocal8Bit(argv[i]));
    if (const auto line = CMainApp::ParseCommandLine(arguments); !line.strError.isEmpty()) {
        std::fprintf(stderr, "spritewright: %s\nusage: spritewright [--lang zh|en] [FILE.dc6]\n",
                     qUtf8Printable(line.strError));
        return 2;
    }
    CMainApp app(argc, argv);
    return app.InitInstance();
}
