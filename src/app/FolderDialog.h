#pragma once

#include "UserInteraction.h"

#include <QString>

// Asks for a folder. DoModal returns 1 with the folder in m_strFolderPath,
// or -1 when the user cancelled.
class CFolderDialog {
public:
    CFolderDialog(CUserInteraction& interaction, const QString& title, QWidget* parent = nullptr);

    int DoModal();

    QString m_strFolderPath;
    // The folder shown at first, when not empty.
    QString m_strStartFolder;

private:
    CUserInteraction& m_Interaction;
    QString m_strTitle;
    QWidget* m_pParent;
};
