#pragma once

#include <QDialog>

class QCheckBox;
class QRadioButton;
class QSpinBox;

// The options of exporting all frames: the image format, and for GIF
// whether each direction becomes one animation and at how many frames a
// second it plays.
class CExportOptionsDlg : public QDialog {
    Q_OBJECT

public:
    explicit CExportOptionsDlg(QWidget* parent = nullptr);

    int m_bBMP = 1;
    int m_bPCX = 0;
    int m_bGIF = 0;
    int m_bTIF = 0;
    int m_bJPG = 0;
    int m_bPNG = 0;
    int m_bAnimation = 0;
    int m_nFramesPerSecond;

    // The chosen format's extension: bmp, gif, jpg, pcx, png or tif.
    QString Extension() const;

    void accept() override;

public slots:
    void OnGifChosen();
    void OnOtherFormatChosen();

private:
    // The rate counts only for an animation.
    void EnableFramesPerSecond();

    QRadioButton* m_radBMP;
    QRadioButton* m_radPCX;
    QRadioButton* m_radGIF;
    QRadioButton* m_radTIF;
    QRadioButton* m_radJPG;
    QRadioButton* m_radPNG;
    QCheckBox* m_chkAnimation;
    QSpinBox* m_edtFramesPerSecond;
};
