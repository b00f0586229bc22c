#include "DialogParts.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

const QStringList kImageSaveFilters = {
    "Windows/OS2 Bitmap (*.bmp)",
    "CompuServe Graphics Interlace (*.gif)",
    "Tagged Image File Format (*.tif *.tiff)",
    "ZSoft Paintbrush (*.pcx)",
    "JPG Format (*.jpg *.jpeg)",
    "PNG Format (*.png)",
};

std::pair<QPushButton*, QPushButton*> MakeOkCancel(QDialog& dialog)
{
    auto* ok = new QPushButton("确定");
    ok->setObjectName("m_btnOK");
    ok->setDefault(true);
    auto* cancel = new QPushButton("取消");
    cancel->setObjectName("m_btnCancel");
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    return {ok, cancel};
}

void LayOutOptions(QDialog& dialog, QLayout* options)
{
    const auto [ok, cancel] = MakeOkCancel(dialog);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(&dialog);
    layout->addLayout(options);
    layout->addLayout(buttons);
}

QRadioButton* MakeRadio(const QString& caption, const char* name)
{
    auto* radio = new QRadioButton(caption);
    radio->setObjectName(name);
    return radio;
}

QSpinBox* MakeNumberField(const char* name, int low, int high, int value)
{
    auto* field = new QSpinBox;
    field->setObjectName(name);
    field->setRange(low, high);
    field->setValue(value);
    return field;
}
