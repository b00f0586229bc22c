#pragma once

// The framed sheet's two windows: the options (start frame, frames across
// and down, whether to save), and the window that shows the sheet and, when
// asked, saves it the first time it is shown.

#include "Image.h"
#include "UserInteraction.h"

#include <QDialog>

class QCheckBox;
class QSpinBox;

class CSheetOptionsDlg : public QDialog {
    Q_OBJECT

public:
    // Start frames run from 0 to framesPerDirection - 1.
    CSheetOptionsDlg(int framesPerDirection, QWidget* parent = nullptr);

    int m_nStart = 0;
    int m_nAcross = 2;
    int m_nDown = 2;
    bool m_bSave = false;

    void accept() override;

private:
    QSpinBox* m_edtStart;
    QSpinBox* m_edtAcross;
    QSpinBox* m_edtDown;
    QCheckBox* m_chkSave;
};

class CSheetDlg : public QDialog {
    Q_OBJECT

public:
    CSheetDlg(const CImage& sheet, bool save, CUserInteraction& interaction,
              QWidget* parent = nullptr);

    const QImage& Picture() const { return m_imgSheet; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SaveSheet();

    CImage m_Sheet;
    QImage m_imgSheet;
    bool m_bSave;
    bool m_bShown = false;
    CUserInteraction& m_Interaction;
};

// An 8-bit picture as a QImage with its colour table (24-bit as RGB).
QImage ToQImage(const CImage& image);
