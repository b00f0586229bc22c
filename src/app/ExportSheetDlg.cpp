#include "ExportSheetDlg.h"

#include "DialogParts.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QGroupBox* Choices(const QString& caption, std::initializer_list<QRadioButton*> radios)
{
    auto* box = new QGroupBox(caption);
    auto* layout = new QVBoxLayout(box);
    for (QRadioButton* radio : radios)
        layout->addWidget(radio);
    (*radios.begin())->setChecked(true);
    return box;
}

} // namespace

CExportSheetDlg::CExportSheetDlg(QWidget* parent)
    : QDialog(parent), m_radRows(MakeRadio(tr("按行"), "m_radRows")),
      m_radColumns(MakeRadio(tr("按列"), "m_radColumns")),
      m_radPacked(MakeRadio(tr("紧凑"), "m_radPacked")),
      m_radRegistered(MakeRadio(tr("方向画布"), "m_radRegistered")),
      m_radTrimmed(MakeRadio(tr("裁剪到帧"), "m_radTrimmed")),
      m_edtPadding(MakeNumberField("m_edtPadding", 0, kMaxSheetPadding, 0)),
      m_edtFramesPerSecond(
          MakeNumberField("m_edtFramesPerSecond", 1, kMaxFramesPerSecond, kDefaultFramesPerSecond))
{
    setObjectName("CExportSheetDlg");
    setWindowTitle(tr("导出图集选项"));
    auto* numbers = new QFormLayout;
    numbers->addRow(tr("间距"), m_edtPadding);
    numbers->addRow(tr("每秒帧数"), m_edtFramesPerSecond);
    auto* options = new QVBoxLayout;
    options->addWidget(Choices(tr("排列"), {m_radRows, m_radColumns, m_radPacked}));
    options->addWidget(Choices(tr("单元"), {m_radRegistered, m_radTrimmed}));
    options->addLayout(numbers);
    LayOutOptions(*this, options);
}

void CExportSheetDlg::accept()
{
    m_Options.layout = m_radColumns->isChecked()  ? SheetLayout::Columns
                       : m_radPacked->isChecked() ? SheetLayout::Packed
                                                  : SheetLayout::Rows;
    m_Options.canvas = m_radTrimmed->isChecked() ? SheetCanvas::Trimmed : SheetCanvas::Registered;
    m_Options.nPadding = m_edtPadding->value();
    m_Options.nFramesPerSecond = m_edtFramesPerSecond->value();
    QDialog::accept();
}
