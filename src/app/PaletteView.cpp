#include "PaletteView.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int kColumns = 16;
constexpr int kGrid = kColumns * CPaletteView::kCell;

} // namespace

CPaletteView::CPaletteView(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CPaletteView::SetPalette(const CPalette& palette)
{
    m_Palette = palette;
    update();
}

void CPaletteView::SetMarkedIndex(int index)
{
    if (index == m_iMarked)
        return;
    m_iMarked = index;
    update();
}

QString CPaletteView::HoverText() const
{
    if (m_iHovered < 0)
        return {};
    const RGBQUAD& entry = m_Palette[static_cast<size_t>(m_iHovered)];
    return tr("索引 %1\nRGB (%2, %3, %4)")
        .arg(m_iHovered)
        .arg(entry.rgbRed)
        .arg(entry.rgbGreen)
        .arg(entry.rgbBlue);
}

QSize CPaletteView::sizeHint() const
{
    return QSize(kGrid + 1, kGrid + 1 + 2 * fontMetrics().lineSpacing() + 2);
}

int CPaletteView::IndexAt(QPoint pos) const
{
    if (pos.x() < 0 || pos.y() < 0 || pos.x() >= kGrid || pos.y() >= kGrid)
        return -1;
    return pos.y() / kCell * kColumns + pos.x() / kCell;
}

QRect CPaletteView::CellRect(int index) const
{
    return QRect(index % kColumns * kCell, index / kColumns * kCell, kCell, kCell);
}

void CPaletteView::SetHovered(int index)
{
    if (index == m_iHovered)
        return;
    m_iHovered = index;
    update();
}

void CPaletteView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD& entry = m_Palette[static_cast<size_t>(i)];
        painter.fillRect(CellRect(i), QColor(entry.rgbRed, entry.rgbGreen, entry.rgbBlue));
    }
    // The marked entry in black and white, the hovered one in the
    // highlight colour.
    const auto frame = [&](int index, const QColor& outer, const QColor& inner) {
        if (index < 0)
            return;
        const QRect cell = CellRect(index);
        painter.setPen(outer);
        painter.drawRect(cell.adjusted(-1, -1, 0, 0));
        painter.setPen(inner);
        painter.drawRect(cell.adjusted(0, 0, -1, -1));
    };
    frame(m_iMarked, Qt::black, Qt::white);
    frame(m_iHovered, palette().color(QPalette::Highlight), Qt::white);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(0, kGrid + 2, width(), height() - kGrid - 2),
                     Qt::AlignLeft | Qt::AlignTop, HoverText());
}

void CPaletteView::mousePressEvent(QMouseEvent* event)
{
    const int index = IndexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index >= 0)
        emit IndexClicked(index);
}

void CPaletteView::mouseMoveEvent(QMouseEvent* event)
{
    SetHovered(IndexAt(event->position().toPoint()));
}

void CPaletteView::leaveEvent(QEvent*)
{
    SetHovered(-1);
}
