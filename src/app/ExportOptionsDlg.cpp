#include "ExportOptionsDlg.h"

#include "DialogParts.h"
#include "ExportAll.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

CExportOptionsDlg::CExportOptionsDlg(QWidget* parent)
    : QDialog(parent), m_nFramesPerSecond(kDefaultFramesPerSecond),
      m_radBMP(MakeRadio("BMP", "m_radBMP")), m_radPCX(MakeRadio("PCX", "m_radPCX")),
      m_radGIF(MakeRadio("GIF", "m_radGIF")), m_radTIF(MakeRadio("TIF", "m_radTIF")),
      m_radJPG(MakeRadio("JPG", "m_radJPG")), m_radPNG(MakeRadio("PNG", "m_radPNG")),
      m_chkAnimation(new QCheckBox(tr("动画"))),
      m_edtFramesPerSecond(
          MakeNumberField("m_edtFramesPerSecond", 1, kMaxFramesPerSecond, kDefaultFramesPerSecond))
{
    setObjectName("CExportOptionsDlg");
    setWindowTitle(tr("导出所有帧选项"));
    m_radBMP->setChecked(true);
    m_chkAnimation->setObjectName("m_chkAnimation");
    m_chkAnimation->setEnabled(false);

    auto* formats = new QGroupBox(tr("图象格式"));
    auto* formatsLayout = new QVBoxLayout(formats);
    for (QRadioButton* radio : {m_radBMP, m_radPCX, m_radGIF, m_radTIF, m_radJPG, m_radPNG}) {
        formatsLayout->addWidget(radio);
        connect(radio, &QRadioButton::clicked, this,
                radio == m_radGIF ? &CExportOptionsDlg::OnGifChosen
                                  : &CExportOptionsDlg::OnOtherFormatChosen);
    }
    formatsLayout->addWidget(m_chkAnimation);
    auto* rate = new QHBoxLayout;
    rate->addWidget(new QLabel(tr("每秒帧数")));
    rate->addWidget(m_edtFramesPerSecond);
    formatsLayout->addLayout(rate);
    connect(m_chkAnimation, &QCheckBox::toggled, this, &CExportOptionsDlg::EnableFramesPerSecond);
    EnableFramesPerSecond();

    auto* options = new QVBoxLayout;
    options->addWidget(formats);
    LayOutOptions(*this, options);
}

void CExportOptionsDlg::OnGifChosen()
{
    m_chkAnimation->setEnabled(true);
    EnableFramesPerSecond();
}

void CExportOptionsDlg::OnOtherFormatChosen()
{
    m_chkAnimation->setEnabled(false);
    EnableFramesPerSecond();
}

void CExportOptionsDlg::EnableFramesPerSecond()
{
    m_edtFramesPerSecond->setEnabled(m_chkAnimation->isEnabled() && m_chkAnimation->isChecked());
}

void CExportOptionsDlg::accept()
{
    m_bBMP = m_radBMP->isChecked();
    m_bPCX = m_radPCX->isChecked();
    m_bGIF = m_radGIF->isChecked();
    m_bTIF = m_radTIF->isChecked();
    m_bJPG = m_radJPG->isChecked();
    m_bPNG = m_radPNG->isChecked();
    m_bAnimation = m_chkAnimation->isChecked();
    m_nFramesPerSecond = m_edtFramesPerSecond->value();
    QDialog::accept();
}

QString CExportOptionsDlg::Extension() const
{
    if (m_bBMP)
        return "bmp";
    if (m_bGIF)
        return "gif";
    if (m_bJPG)
        return "jpg";
    if (m_bPCX)
        return "pcx";
    if (m_bPNG)
        return "png";
    return "tif";
}
