#include "ScriptedInteraction.h"

#include <QDialog>
#include <gtest/gtest.h>

CUserInteraction::Answer CScriptedInteraction::MessageBox(QWidget*, const QString& text,
                                                          const QString& caption, Buttons buttons,
                                                          Icon icon)
{
    asked.push_back({text, caption, buttons, icon});
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected message box \"" << text.toStdString() << "\"";
        return Answer::Cancel;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

QString CScriptedInteraction::FileDialog(QWidget*, FileRequest& request)
{
    fileRequests.push_back(request);
    if (files.empty()) {
        ADD_FAILURE() << "unexpected file dialog";
        return {};
    }
    const QString path = files.front();
    files.pop_front();
    return path;
}

int CScriptedInteraction::ExecDialog(QDialog& dialog)
{
    ++dialogsRun;
    if (dialogs.empty()) {
        ADD_FAILURE() << "unexpected dialog " << dialog.windowTitle().toStdString();
        return QDialog::Rejected;
    }
    const auto script = dialogs.front();
    dialogs.pop_front();
    return script(dialog);
}
