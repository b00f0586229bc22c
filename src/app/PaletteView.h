#pragma once

// The 256 entries of a palette as a grid of 16 x 16 swatches, entry 0 at the
// top left. Under the grid it names the entry under the pointer (index and
// RGB); a marked entry (the index under the pointer in the preview) is framed.
// A click on an entry chooses it (IndexClicked).

#include "Palette.h"

#include <QWidget>

class CPaletteView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kCell = 7;

    explicit CPaletteView(QWidget* parent = nullptr);

    void SetPalette(const CPalette& palette);
    // -1 marks none.
    void SetMarkedIndex(int index);
    // The entry under the pointer, -1 for none, and what is said of it.
    int HoveredIndex() const { return m_iHovered; }
    QString HoverText() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void IndexClicked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int IndexAt(QPoint pos) const;
    QRect CellRect(int index) const;
    void SetHovered(int index);

    CPalette m_Palette{};
    int m_iHovered = -1;
    int m_iMarked = -1;
};
