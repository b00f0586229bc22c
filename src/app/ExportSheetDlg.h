#pragma once

#include "SpriteSheet.h"

#include <QDialog>

class QRadioButton;
class QSpinBox;

// The options of exporting a sprite sheet: how the cells are laid out,
// what a cell holds, the padding between cells and the animation's rate.
class CExportSheetDlg : public QDialog {
    Q_OBJECT

public:
    explicit CExportSheetDlg(QWidget* parent = nullptr);

    // Rows of registered cells, no padding, the game's rate until accepted.
    CSheetOptions m_Options;

    void accept() override;

private:
    QRadioButton* m_radRows;
    QRadioButton* m_radColumns;
    QRadioButton* m_radPacked;
    QRadioButton* m_radRegistered;
    QRadioButton* m_radTrimmed;
    QSpinBox* m_edtPadding;
    QSpinBox* m_edtFramesPerSecond;
};
