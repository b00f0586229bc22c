#include "ChangeOffsetDlg.h"

#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>

#include <limits>

namespace {

QSpinBox* MakeField(const char* name, int value)
{
    auto* field = new QSpinBox;
    field->setObjectName(name);
    field->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    field->setValue(value);
    return field;
}

} // namespace

CChangeOffsetDlg::CChangeOffsetDlg(int offsetX, int offsetY, QWidget* parent)
    : QDialog(parent), m_nOffsetX(offsetX), m_nOffsetY(offsetY),
      m_edtOffsetX(MakeField("m_edtOffsetX", offsetX)),
      m_edtOffsetY(MakeField("m_edtOffsetY", offsetY))
{
    setObjectName("CChangeOffsetDlg");
    setWindowTitle("更改位移");
    auto* ok = new QPushButton("确定");
    ok->setObjectName("m_btnOK");
    ok->setDefault(true);
    auto* cancel = new QPushButton("取消");
    cancel->setObjectName("m_btnCancel");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QFormLayout(this);
    layout->addRow("X 位移", m_edtOffsetX);
    layout->addRow("Y 位移", m_edtOffsetY);
    layout->addRow(ok, cancel);
}

void CChangeOffsetDlg::accept()
{
    m_nOffsetX = m_edtOffsetX->value();
    m_nOffsetY = m_edtOffsetY->value();
    QDialog::accept();
}
