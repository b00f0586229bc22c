#include "FolderDialog.h"

CFolderDialog::CFolderDialog(CUserInteraction& interaction, const QString& title, QWidget* parent)
    : m_Interaction(interaction), m_strTitle(title), m_pParent(parent)
{
}

int CFolderDialog::DoModal()
{
    CUserInteraction::FileRequest request;
    request.bFolder = true;
    request.strCaption = m_strTitle;
    request.strFolder = m_strStartFolder;
    m_strFolderPath = m_Interaction.FileDialog(m_pParent, request);
    return m_strFolderPath.isEmpty() ? -1 : 1;
}
