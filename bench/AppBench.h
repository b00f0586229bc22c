#pragma once

// What the window's benchmarks share: an interaction that answers nothing
// (they open only good files), a scratch folder of their own, and a main on
// the offscreen platform unless another one is asked for.

#include "UserInteraction.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

class CSilentInteraction final : public CUserInteraction {
public:
    Answer MessageBox(QWidget*, const QString&, const QString&, Buttons, Icon) override
    {
        return Answer::Cancel;
    }
    QString FileDialog(QWidget*, FileRequest&) override { return {}; }
    int ExecDialog(QDialog&) override { return 0; }
};

// A new folder under the temporary folder, named after the benchmark and
// the process.
inline std::filesystem::path BenchFolder(const std::string& name)
{
    const auto folder = std::filesystem::temp_directory_path() /
                        ("spritewright-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    return folder;
}

// A field of /proc/self/status in KiB ("VmRSS:"), or -1.
inline long ResidentKiB(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::strlen(field)));
    return -1;
}

inline int RunAppBenchmarks(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
