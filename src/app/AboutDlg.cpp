#include "AboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(const QIcon& icon, QWidget* parent) : QDialog(parent)
{
    setObjectName("CAboutDlg");
    setWindowTitle(tr("关于 Spritewright"));
    auto* picture = new QLabel;
    picture->setPixmap(icon.pixmap(32, 32));
    auto* text = new QLabel(tr("Spritewright 版本 1.0"));
    auto* ok = new QPushButton(tr("确定"));
    ok->setObjectName("m_btnOK");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(picture, 0, Qt::AlignTop);
    layout->addWidget(text, 1, Qt::AlignTop);
    layout->addWidget(ok, 0, Qt::AlignTop);
}
