#include "ChangeOffsetDlg.h"

#include "DialogParts.h"

#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>

#include <climits>

CChangeOffsetDlg::CChangeOffsetDlg(int offsetX, int offsetY, QWidget* parent)
    : QDialog(parent), m_nOffsetX(offsetX), m_nOffsetY(offsetY),
      m_edtOffsetX(MakeNumberField("m_edtOffsetX", INT_MIN, INT_MAX, offsetX)),
      m_edtOffsetY(MakeNumberField("m_edtOffsetY", INT_MIN, INT_MAX, offsetY))
{
    setObjectName("CChangeOffsetDlg");
    setWindowTitle(tr("更改位移"));
    const auto [ok, cancel] = MakeOkCancel(*this);

    auto* layout = new QFormLayout(this);
    layout->addRow(tr("X 位移"), m_edtOffsetX);
    layout->addRow(tr("Y 位移"), m_edtOffsetY);
    layout->addRow(ok, cancel);
}

void CChangeOffsetDlg::accept()
{
    m_nOffsetX = m_edtOffsetX->value();
    m_nOffsetY = m_edtOffsetY->value();
    QDialog::accept();
}
