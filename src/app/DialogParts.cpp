#include "DialogParts.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace {

const char* const kImageSaveFilters[] = {
    QT_TRANSLATE_NOOP("FileFilter", "Windows/OS2 Bitmap (*.bmp)"),
    QT_TRANSLATE_NOOP("FileFilter", "CompuServe Graphics Interlace (*.gif)"),
    QT_TRANSLATE_NOOP("FileFilter", "Tagged Image File Format (*.tif *.tiff)"),
    QT_TRANSLATE_NOOP("FileFilter", "ZSoft Paintbrush (*.pcx)"),
    QT_TRANSLATE_NOOP("FileFilter", "JPG Format (*.jpg *.jpeg)"),
    QT_TRANSLATE_NOOP("FileFilter", "PNG Format (*.png)"),
};

} // namespace

QStringList FileFilters(std::span<const char* const> filters)
{
    QStringList translated;
    for (const char* filter : filters)
        translated.push_back(QCoreApplication::translate("FileFilter", filter));
    return translated;
}

QStringList ImageSaveFilters()
{
    return FileFilters(kImageSaveFilters);
}

std::pair<QPushButton*, QPushButton*> MakeOkCancel(QDialog& dialog)
{
    auto* ok = new QPushButton(QCoreApplication::translate("DialogParts", "确定"));
    ok->setObjectName("m_btnOK");
    ok->setDefault(true);
    auto* cancel = new QPushButton(QCoreApplication::translate("DialogParts", "取消"));
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
