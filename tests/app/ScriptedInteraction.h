#pragma once

// Answers the window's questions from a script and records what was asked.

#include "UserInteraction.h"

#include <deque>
#include <functional>
#include <vector>

class CScriptedInteraction final : public CUserInteraction {
public:
    struct Asked {
        QString text;
        QString caption;
        Buttons buttons;
        Icon icon;
    };

    // What the next questions get, in order. Unscripted questions fail the
    // running test and are answered with Cancel (or an empty path).
    std::deque<Answer> answers;
    std::deque<QString> files;
    std::deque<std::function<int(QDialog&)>> dialogs;

    std::vector<Asked> asked;
    std::vector<FileRequest> fileRequests;
    int dialogsRun = 0;

    Answer MessageBox(QWidget* parent, const QString& text, const QString& caption, Buttons buttons,
                      Icon icon) override;
    QString FileDialog(QWidget* parent, FileRequest& request) override;
    int ExecDialog(QDialog& dialog) override;
};
