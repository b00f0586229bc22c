#pragma once

// Every blocking question the window asks (message boxes, file dialogs,
// option dialogs) goes through this interface, so that tests can answer
// them from a script.

#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

class CUserInteraction {
public:
    enum class Buttons { Ok, YesNo, YesNoCancel };
    enum class Icon { None, Error, Exclamation, Question, Information };
    enum class Answer { Ok, Yes, No, Cancel };

    struct FileRequest {
        bool bSave = false;       // a save dialog (asks before overwriting)
        bool bFolder = false;     // choose a folder, not a file
        QString strCaption;       // empty: the platform's default caption
        QStringList filters;      // "Diablo DC6 Image (*.dc6)", ...
        int nFilterIndex = 0;     // the filter shown first; the one chosen on return
        QString strDefaultSuffix; // added to a typed name that has none
        QString strFileName;      // the file offered at first, when not empty
        QString strFolder;        // else the folder shown at first, when not empty
    };

    virtual ~CUserInteraction() = default;
    virtual Answer MessageBox(QWidget* parent, const QString& text, const QString& caption,
                              Buttons buttons, Icon icon) = 0;
    // The chosen path, or an empty text when the dialog was cancelled.
    virtual QString FileDialog(QWidget* parent, FileRequest& request) = 0;
    // Runs a dialog modally; QDialog::Accepted or QDialog::Rejected.
    virtual int ExecDialog(QDialog& dialog) = 0;
};

// The real thing: QMessageBox, QFileDialog and QDialog::exec.
class CQtInteraction final : public CUserInteraction {
public:
    Answer MessageBox(QWidget* parent, const QString& text, const QString& caption, Buttons buttons,
                      Icon icon) override;
    QString FileDialog(QWidget* parent, FileRequest& request) override;
    int ExecDialog(QDialog& dialog) override;
};
