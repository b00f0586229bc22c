#include "UserInteraction.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

CUserInteraction::Answer CQtInteraction::MessageBox(QWidget* parent, const QString& text,
                                                    const QString& caption, Buttons buttons,
                                                    Icon icon)
{
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    }
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        return Answer::Cancel;
    }
}

QString CQtInteraction::FileDialog(QWidget* parent, FileRequest& request)
{
    QFileDialog dialog(parent, request.strCaption);
    dialog.setAcceptMode(request.bSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (request.bFolder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog.setFileMode(request.bSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    }
    dialog.setNameFilters(request.filters);
    if (request.nFilterIndex >= 0 && request.nFilterIndex < request.filters.size())
        dialog.selectNameFilter(request.filters[request.nFilterIndex]);
    dialog.setDefaultSuffix(request.strDefaultSuffix);
    if (!request.strFileName.isEmpty())
        dialog.selectFile(request.strFileName);
    else if (!request.strFolder.isEmpty())
        dialog.setDirectory(request.strFolder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    request.nFilterIndex = static_cast<int>(request.filters.indexOf(dialog.selectedNameFilter()));
    return dialog.selectedFiles().front();
}

int CQtInteraction::ExecDialog(QDialog& dialog)
{
    return dialog.exec();
}
