#pragma once

#include <QDialog>
#include <QIcon>

// The About box: the program's icon, name and version, and an OK button.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    CAboutDlg(const QIcon& icon, QWidget* parent = nullptr);
};
