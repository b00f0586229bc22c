#pragma once

#include <QDialog>

class QRadioButton;
class QSpinBox;

// Asks which palette index becomes which, and where: in the selected frame,
// in every frame of its direction, or in the whole sprite.
class CReplaceIndexDlg : public QDialog {
    Q_OBJECT

public:
    enum class Scope { Frame, Direction, Sprite };

    CReplaceIndexDlg(int from, int to, QWidget* parent = nullptr);

    int m_nFrom;
    int m_nTo;
    Scope m_Scope = Scope::Frame;

    void accept() override;

private:
    QSpinBox* m_edtFrom;
    QSpinBox* m_edtTo;
    QRadioButton* m_radFrame;
    QRadioButton* m_radDirection;
    QRadioButton* m_radSprite;
};
