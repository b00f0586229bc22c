#include "ReplaceIndexDlg.h"

#include "DialogParts.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

CReplaceIndexDlg::CReplaceIndexDlg(int from, int to, QWidget* parent)
    : QDialog(parent), m_nFrom(from), m_nTo(to),
      m_edtFrom(MakeNumberField("m_edtFrom", 0, 255, from)),
      m_edtTo(MakeNumberField("m_edtTo", 0, 255, to)),
      m_radFrame(MakeRadio(tr("本帧"), "m_radFrame")),
      m_radDirection(MakeRadio(tr("本方向的所有帧"), "m_radDirection")),
      m_radSprite(MakeRadio(tr("整个精灵"), "m_radSprite"))
{
    setObjectName("CReplaceIndexDlg");
    setWindowTitle(tr("替换索引"));
    auto* numbers = new QFormLayout;
    numbers->addRow(tr("索引"), m_edtFrom);
    numbers->addRow(tr("换成"), m_edtTo);
    auto* scope = new QGroupBox(tr("范围"));
    auto* scopeLayout = new QVBoxLayout(scope);
    for (QRadioButton* radio : {m_radFrame, m_radDirection, m_radSprite})
        scopeLayout->addWidget(radio);
    m_radFrame->setChecked(true);
    auto* options = new QVBoxLayout;
    options->addLayout(numbers);
    options->addWidget(scope);
    LayOutOptions(*this, options);
}

void CReplaceIndexDlg::accept()
{
    m_nFrom = m_edtFrom->value();
    m_nTo = m_edtTo->value();
    m_Scope = m_radSprite->isChecked()      ? Scope::Sprite
              : m_radDirection->isChecked() ? Scope::Direction
                                            : Scope::Frame;
    QDialog::accept();
}
