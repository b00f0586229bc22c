#include "SheetDlg.h"

#include "DialogParts.h"
#include "FrameImage.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

CSheetOptionsDlg::CSheetOptionsDlg(int framesPerDirection, QWidget* parent)
    : QDialog(parent),
      m_edtStart(MakeNumberField("m_edtStart", 0, std::max(framesPerDirection - 1, 0), 0)),
      m_edtAcross(MakeNumberField("m_edtAcross", 1, 10, 2)),
      m_edtDown(MakeNumberField("m_edtDown", 1, 10, 2)), m_chkSave(new QCheckBox(tr("保存图象")))
{
    setObjectName("CSheetOptionsDlg");
    setWindowTitle(tr("全图显示帧数"));
    m_chkSave->setObjectName("m_chkSave");
    const auto [ok, cancel] = MakeOkCancel(*this);
    auto* layout = new QFormLayout(this);
    layout->addRow(tr("开始帧"), m_edtStart);
    layout->addRow(tr("帧宽度"), m_edtAcross);
    layout->addRow(tr("帧高度"), m_edtDown);
    layout->addRow(m_chkSave);
    layout->addRow(ok, cancel);
}

void CSheetOptionsDlg::accept()
{
    m_nStart = m_edtStart->value();
    m_nAcross = m_edtAcross->value();
    m_nDown = m_edtDown->value();
    m_bSave = m_chkSave->isChecked();
    QDialog::accept();
}

QImage ToQImage(const CImage& image)
{
    const int width = image.GetWidth(), height = image.GetHeight();
    const bool indexed = image.GetBpp() <= 8;
    QImage picture(width, height, indexed ? QImage::Format_Indexed8 : QImage::Format_RGB888);
    if (picture.isNull())
        return picture;
    if (indexed) {
        QList<QRgb> colours;
        for (const RGBQUAD& c : image.GetPalette())
            colours.push_back(qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue));
        picture.setColorTable(colours);
    }
    for (int row = 0; row < height; ++row) {
        const uint8_t* from = image.GetBits(row);
        uint8_t* to = picture.scanLine(height - 1 - row);
        if (indexed) {
            std::copy_n(from, width, to);
        } else {
            for (int x = 0; x < width; ++x) {
                to[3 * x] = from[3 * x + 2];
                to[3 * x + 1] = from[3 * x + 1];
                to[3 * x + 2] = from[3 * x];
            }
        }
    }
    return picture;
}

CSheetDlg::CSheetDlg(const CImage& sheet, bool save, CUserInteraction& interaction, QWidget* parent)
    : QDialog(parent), m_Sheet(sheet), m_imgSheet(ToQImage(sheet)), m_bSave(save),
      m_Interaction(interaction)
{
    setObjectName("CSheetDlg");
    setWindowTitle(tr("图象"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    auto* picture = new QLabel;
    picture->setObjectName("m_stcPicture");
    picture->setPixmap(QPixmap::fromImage(m_imgSheet));
    auto* area = new QScrollArea;
    area->setWidget(picture);
    area->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(area);
}

void CSheetDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_bShown)
        return;
    m_bShown = true;
    // The picture at its size at (100, 100), as far as the screen allows.
    QSize size = m_imgSheet.size() + QSize(4, 4);
    if (const QScreen* screen = this->screen())
        size = size.boundedTo(screen->availableSize() - QSize(120, 120));
    resize(size);
    move(100, 100);
    if (m_bSave)
        SaveSheet();
}

void CSheetDlg::SaveSheet()
{
    CUserInteraction::FileRequest request;
    request.bSave = true;
    request.strCaption = tr("Save Framed Image");
    request.filters = ImageSaveFilters();
    request.nFilterIndex = 0;
    request.strDefaultSuffix = "bmp";
    const QString path = m_Interaction.FileDialog(this, request);
    if (path.isEmpty())
        return;
    CImage image = m_Sheet;
    const int type = ImageTypeFromExtension(path.toStdString());
    PrepareForFileType(image, type, 99);
    if (!image.Save(path.toStdString(), type))
        m_Interaction.MessageBox(
            this,
            "Could not save " + path + " (" + QString::fromStdString(image.GetLastError()) + ")",
            "Error", CUserInteraction::Buttons::Ok, CUserInteraction::Icon::Error);
}
