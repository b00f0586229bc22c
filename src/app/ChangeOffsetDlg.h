#pragma once

#include <QDialog>

class QSpinBox;

// Asks for a frame's drawing offsets: two whole numbers, negative ones too.
class CChangeOffsetDlg : public QDialog {
    Q_OBJECT

public:
    CChangeOffsetDlg(int offsetX, int offsetY, QWidget* parent = nullptr);

    int m_nOffsetX;
    int m_nOffsetY;

    void accept() override;

private:
    QSpinBox* m_edtOffsetX;
    QSpinBox* m_edtOffsetY;
};
