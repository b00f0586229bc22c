#include "PreviewWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr int64_t kMaxScrollRange = int64_t{1} << 30;

void Cover(CDirectionCanvas& canvas, const CPreviewFrame& frame)
{
    DC6FrameHeader header{};
    header.m_iWidth = frame.m_iWidth;
    header.m_iHeight = frame.m_iHeight;
    header.m_iOffsetX = frame.m_iOffsetX;
    header.m_iOffsetY = frame.m_iOffsetY;
    canvas.Cover(header);
}

int ClampToInt(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, INT_MIN / 2, INT_MAX / 2));
}

// `faint` over `base`, kOnionAlpha parts of 256.
QRgb Blend(QRgb faint, QRgb base)
{
    constexpr int a = CPreviewWidget::kOnionAlpha;
    const auto mix = [](int f, int b) { return (f * a + b * (256 - a)) >> 8; };
    return qRgb(mix(qRed(faint), qRed(base)), mix(qGreen(faint), qGreen(base)),
                mix(qBlue(faint), qBlue(base)));
}

// One frame's pixels as a paint lays them over the viewport: its position in
// content pixels and, for each viewport column of [m_iFrom, m_iTo), the frame
// column shown there.
struct CLayer {
    std::span<const uint8_t> m_Pixels;
    int64_t m_iWidth = 0, m_iHeight = 0;
    int64_t m_iY = 0;
    int m_iFrom = 0, m_iTo = 0;
    std::vector<int>* m_pColumns = nullptr;

    bool Visible() const { return !m_Pixels.empty() && m_iFrom < m_iTo; }

    // The buffer row under content row `row`, or null.
    const uint8_t* Row(int64_t row) const
    {
        const int64_t fromTop = row - m_iY;
        if (fromTop < 0 || fromTop >= m_iHeight)
            return nullptr;
        return m_Pixels.data() + (m_iHeight - 1 - fromTop) * m_iWidth;
    }
};

// Lays out a frame drawn at content (x, y) over viewport columns [x0, x1),
// content pixel 0 being at viewport column `left`.
CLayer LayOut(std::span<const uint8_t> pixels, const CPreviewFrame& frame, int64_t x, int64_t y,
              int64_t left, int zoom, int x0, int x1, std::vector<int>& columns)
{
    CLayer layer;
    layer.m_Pixels = pixels;
    layer.m_iWidth = frame.m_iWidth;
    layer.m_iHeight = frame.m_iHeight;
    layer.m_iY = y;
    layer.m_pColumns = &columns;
    if (pixels.empty())
        return layer;
    const int64_t start = left + x * zoom;
    layer.m_iFrom = static_cast<int>(std::clamp<int64_t>(start, x0, x1));
    layer.m_iTo =
        static_cast<int>(std::clamp<int64_t>(start + frame.m_iWidth * int64_t{zoom}, x0, x1));
    columns.resize(static_cast<size_t>(std::max(0, layer.m_iTo - layer.m_iFrom)));
    for (int c = layer.m_iFrom; c < layer.m_iTo; ++c)
        columns[static_cast<size_t>(c - layer.m_iFrom)] = static_cast<int>((c - start) / zoom);
    return layer;
}

} // namespace

CPreviewWidget::CPreviewWidget(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

void CPreviewWidget::SetPixelSource(CPixelSource source)
{
    m_Source = std::move(source);
    viewport()->update();
}

void CPreviewWidget::SetFrame(const CPreviewFrame& frame, const CPreviewFrame& previous,
                              const CDirectionCanvas& canvas, const CPalette& palette)
{
    const CLayout before = Layout();
    m_Frame = frame;
    m_Previous = previous;
    m_Canvas = canvas;
    for (size_t i = 0; i < palette.size(); ++i)
        m_Colours[i] = qRgb(palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue);
    const bool had = m_bHasFrame;
    m_bHasFrame = true;
    const CLayout after = Layout();
    // A new size is shown from its middle; the same size keeps its place, so
    // that stepping through frames keeps the detail in view.
    UpdateScrollBars(!had || before.m_iWidth != after.m_iWidth ||
                     before.m_iHeight != after.m_iHeight);
    ContentChanged();
}

void CPreviewWidget::Clear()
{
    m_bHasFrame = false;
    UpdateScrollBars(true);
    ContentChanged();
}

std::span<const uint8_t> CPreviewWidget::Pixels(const CPreviewFrame& frame) const
{
    if (!m_Source || frame.m_iKey < 0 || frame.m_iWidth <= 0 || frame.m_iHeight <= 0)
        return {};
    const std::span<const uint8_t> pixels = m_Source(frame.m_iKey);
    if (pixels.size() != static_cast<size_t>(frame.m_iWidth) * static_cast<size_t>(frame.m_iHeight))
        return {};
    return pixels;
}

bool CPreviewWidget::ShowsPrevious() const
{
    return m_bRegistered && m_bOnionSkin && m_Previous.m_iKey >= 0;
}

CPreviewWidget::CLayout CPreviewWidget::Layout() const
{
    CLayout layout;
    if (!m_bHasFrame)
        return layout;
    if (m_bRegistered) {
        // The canvas holds the frames it was made from; covering them again
        // keeps a stale canvas from cutting them off.
        CDirectionCanvas canvas = m_Canvas;
        Cover(canvas, m_Frame);
        if (ShowsPrevious())
            Cover(canvas, m_Previous);
        layout.m_iWidth = canvas.Width();
        layout.m_iHeight = canvas.Height();
        layout.m_iFrameX = m_Frame.m_iOffsetX - canvas.m_iMinX;
        layout.m_iFrameY = int64_t{m_Frame.m_iOffsetY} - m_Frame.m_iHeight - canvas.m_iMinTop;
        layout.m_iPreviousX = m_Previous.m_iOffsetX - canvas.m_iMinX;
        layout.m_iPreviousY =
            int64_t{m_Previous.m_iOffsetY} - m_Previous.m_iHeight - canvas.m_iMinTop;
        layout.m_iOriginX = -canvas.m_iMinX;
        layout.m_iOriginY = -canvas.m_iMinTop;
    } else {
        layout.m_iWidth = std::max(0, m_Frame.m_iWidth);
        layout.m_iHeight = std::max(0, m_Frame.m_iHeight);
    }
    // Content smaller than the viewport is centred in it; larger content
    // scrolls.
    const int64_t width = layout.m_iWidth * m_iZoom;
    const int64_t height = layout.m_iHeight * m_iZoom;
    const int viewWidth = viewport()->width();
    const int viewHeight = viewport()->height();
    layout.m_iLeft =
        width <= viewWidth ? viewWidth / 2 - width / 2 : -horizontalScrollBar()->value() * m_iUnitX;
    layout.m_iTop = height <= viewHeight ? viewHeight / 2 - height / 2
                                         : -verticalScrollBar()->value() * m_iUnitY;
    return layout;
}

void CPreviewWidget::UpdateScrollBars(bool centre)
{
    const CLayout layout = Layout();
    const auto update = [&](QScrollBar* bar, int64_t content, int view, int64_t& unit) {
        const int64_t excess = content * m_iZoom - view;
        if (excess <= 0) {
            unit = 1;
            bar->setRange(0, 0);
            return;
        }
        unit = excess / kMaxScrollRange + 1;
        bar->setRange(0, static_cast<int>(excess / unit));
        bar->setPageStep(std::max<int>(1, static_cast<int>(view / unit)));
        bar->setSingleStep(std::max<int>(1, static_cast<int>(4 * m_iZoom / unit)));
        if (centre)
            bar->setValue(bar->maximum() / 2);
    };
    update(horizontalScrollBar(), layout.m_iWidth, viewport()->width(), m_iUnitX);
    update(verticalScrollBar(), layout.m_iHeight, viewport()->height(), m_iUnitY);
}

void CPreviewWidget::ContentChanged()
{
    viewport()->update();
    ReportHover();
}

void CPreviewWidget::SetZoom(int zoom)
{
    if (std::find(kZoomSteps.begin(), kZoomSteps.end(), zoom) != kZoomSteps.end())
        ChangeZoom(zoom, QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
}

void CPreviewWidget::ZoomIn()
{
    ZoomAbout(1, QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
}

void CPreviewWidget::ZoomOut()
{
    ZoomAbout(-1, QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
}

void CPreviewWidget::ZoomAbout(int steps, QPointF viewportPos)
{
    const auto current = std::find(kZoomSteps.begin(), kZoomSteps.end(), m_iZoom);
    const int index = std::clamp(static_cast<int>(current - kZoomSteps.begin()) + steps, 0,
                                 static_cast<int>(kZoomSteps.size()) - 1);
    ChangeZoom(kZoomSteps[static_cast<size_t>(index)], viewportPos);
}

void CPreviewWidget::ZoomToFit()
{
    // The viewport as large as it is without scroll bars: the fitted content
    // needs none.
    const QSize room = maximumViewportSize();
    const CLayout layout = Layout();
    int zoom = kZoomSteps.front();
    for (int step : kZoomSteps)
        if (layout.m_iWidth * step <= room.width() && layout.m_iHeight * step <= room.height())
            zoom = step;
    SetZoom(zoom);
}

void CPreviewWidget::ChangeZoom(int zoom, QPointF anchor)
{
    if (zoom == m_iZoom)
        return;
    // The content point under the anchor, in content pixels.
    const CLayout before = Layout();
    const double x = (anchor.x() - static_cast<double>(before.m_iLeft)) / m_iZoom;
    const double y = (anchor.y() - static_cast<double>(before.m_iTop)) / m_iZoom;
    m_iZoom = zoom;
    UpdateScrollBars(false);
    const auto scrollTo = [](QScrollBar* bar, double screen, int64_t unit) {
        bar->setValue(static_cast<int>(
            std::clamp<double>(std::floor(screen / static_cast<double>(unit)), 0, bar->maximum())));
    };
    scrollTo(horizontalScrollBar(), x * zoom - anchor.x(), m_iUnitX);
    scrollTo(verticalScrollBar(), y * zoom - anchor.y(), m_iUnitY);
    viewport()->update();
    ReportHover();
    emit ZoomChanged(m_iZoom);
}

void CPreviewWidget::SetCheckerboard(bool on)
{
    m_bCheckerboard = on;
    viewport()->update();
}

void CPreviewWidget::SetRegistered(bool on)
{
    if (on == m_bRegistered)
        return;
    m_bRegistered = on;
    UpdateScrollBars(true);
    ContentChanged();
}

void CPreviewWidget::SetOnionSkin(bool on)
{
    if (on == m_bOnionSkin)
        return;
    m_bOnionSkin = on;
    // The onion skin may widen a stale canvas.
    UpdateScrollBars(false);
    ContentChanged();
}

CPreviewPoint CPreviewWidget::PointAt(QPoint viewportPos) const
{
    CPreviewPoint point;
    if (!m_bHasFrame)
        return point;
    const CLayout layout = Layout();
    const int64_t x = viewportPos.x() - layout.m_iLeft;
    const int64_t y = viewportPos.y() - layout.m_iTop;
    // Content pixels, counted down to minus infinity beyond the left and top.
    const auto content = [this](int64_t screen) {
        return screen >= 0 ? screen / m_iZoom : -((-screen + m_iZoom - 1) / m_iZoom);
    };
    point.m_iFrameX = content(x) - layout.m_iFrameX;
    point.m_iFrameY = content(y) - layout.m_iFrameY;
    point.m_iOriginX = m_Frame.m_iOffsetX + point.m_iFrameX;
    point.m_iOriginY = int64_t{m_Frame.m_iOffsetY} - m_Frame.m_iHeight + point.m_iFrameY;
    if (x < 0 || y < 0 || x >= layout.m_iWidth * m_iZoom || y >= layout.m_iHeight * m_iZoom)
        return point;
    point.m_bOnCanvas = true;
    if (point.m_iFrameX < 0 || point.m_iFrameX >= m_Frame.m_iWidth || point.m_iFrameY < 0 ||
        point.m_iFrameY >= m_Frame.m_iHeight)
        return point;
    const std::span<const uint8_t> pixels = Pixels(m_Frame);
    if (pixels.empty())
        return point;
    const int64_t row = m_Frame.m_iHeight - 1 - point.m_iFrameY;
    point.m_bInFrame = true;
    point.m_iIndex = pixels[static_cast<size_t>(row * m_Frame.m_iWidth + point.m_iFrameX)];
    point.m_rgbColour = m_Colours[static_cast<size_t>(point.m_iIndex)];
    return point;
}

QRect CPreviewWidget::FrameRect() const
{
    if (!m_bHasFrame)
        return {};
    const CLayout layout = Layout();
    return QRect(ClampToInt(layout.m_iLeft + layout.m_iFrameX * m_iZoom),
                 ClampToInt(layout.m_iTop + layout.m_iFrameY * m_iZoom),
                 ClampToInt(int64_t{m_Frame.m_iWidth} * m_iZoom),
                 ClampToInt(int64_t{m_Frame.m_iHeight} * m_iZoom));
}

void CPreviewWidget::PixelsChanged()
{
    ContentChanged();
}

void CPreviewWidget::SetEditCursor(bool on)
{
    if (on)
        viewport()->setCursor(Qt::CrossCursor);
    else
        viewport()->unsetCursor();
}

void CPreviewWidget::ReportHover()
{
    if (m_ptHover)
        emit PointHovered(PointAt(*m_ptHover));
}

void CPreviewWidget::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect rect = event->rect() & viewport()->rect();
    const QRgb outside = palette().color(QPalette::Window).rgb();
    if (!m_bHasFrame || rect.isEmpty()) {
        painter.fillRect(rect, QColor::fromRgb(outside));
        return;
    }
    if (m_imgRender.width() < viewport()->width() || m_imgRender.height() < viewport()->height())
        m_imgRender = QImage(viewport()->size(), QImage::Format_RGB32);

    const CLayout layout = Layout();
    const int zoom = m_iZoom;
    const int x0 = rect.left();
    const int x1 = rect.right() + 1;
    const int contentFrom = static_cast<int>(std::clamp<int64_t>(layout.m_iLeft, x0, x1));
    const int contentTo =
        static_cast<int>(std::clamp<int64_t>(layout.m_iLeft + layout.m_iWidth * zoom, x0, x1));
    const int64_t contentHeight = layout.m_iHeight * zoom;

    const CLayer previous =
        ShowsPrevious()
            ? LayOut(Pixels(m_Previous), m_Previous, layout.m_iPreviousX, layout.m_iPreviousY,
                     layout.m_iLeft, zoom, x0, x1, m_PreviousColumns)
            : CLayer{};
    const CLayer frame = LayOut(Pixels(m_Frame), m_Frame, layout.m_iFrameX, layout.m_iFrameY,
                                layout.m_iLeft, zoom, x0, x1, m_Columns);

    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(m_imgRender.scanLine(y));
        const int64_t screenRow = y - layout.m_iTop;
        if (screenRow < 0 || screenRow >= contentHeight || contentFrom >= contentTo) {
            std::fill(out + x0, out + x1, outside);
            continue;
        }
        std::fill(out + x0, out + contentFrom, outside);
        std::fill(out + contentTo, out + x1, outside);
        // What index 0 looks like: its colour, or the checkerboard.
        if (m_bCheckerboard) {
            const int64_t band = (screenRow / kCheckSize) & 1;
            for (int x = contentFrom; x < contentTo; ++x)
                out[x] =
                    (((x - layout.m_iLeft) / kCheckSize) & 1) == band ? kCheckLight : kCheckDark;
        } else {
            std::fill(out + contentFrom, out + contentTo, m_Colours[0]);
        }
        const int64_t row = screenRow / zoom;
        const auto draw = [&](const CLayer& layer, bool faint) {
            const uint8_t* source = layer.Visible() ? layer.Row(row) : nullptr;
            if (source == nullptr)
                return;
            const int* column = layer.m_pColumns->data();
            if (faint) {
                for (int x = layer.m_iFrom; x < layer.m_iTo; ++x, ++column)
                    if (const uint8_t index = source[*column]; index != 0)
                        out[x] = Blend(m_Colours[index], out[x]);
                return;
            }
            // A select rather than a branch: index 0 comes and goes at random.
            for (int x = layer.m_iFrom; x < layer.m_iTo; ++x, ++column) {
                const uint8_t index = source[*column];
                out[x] = index != 0 ? m_Colours[index] : out[x];
            }
        };
        draw(previous, true);
        draw(frame, false);
    }
    painter.drawImage(rect.topLeft(), m_imgRender, rect);
    if (m_bRegistered)
        DrawOrigin(painter, layout);
}

void CPreviewWidget::DrawOrigin(QPainter& painter, const CLayout& layout) const
{
    const int arm = std::max(6, 2 * m_iZoom);
    const int64_t x = layout.m_iLeft + layout.m_iOriginX * m_iZoom;
    const int64_t y = layout.m_iTop + layout.m_iOriginY * m_iZoom;
    if (x < -arm || y < -arm || x > viewport()->width() + arm || y > viewport()->height() + arm)
        return;
    const int cx = static_cast<int>(x);
    const int cy = static_cast<int>(y);
    // White on a dark outline, to be seen on any colour.
    for (const auto& [colour, width] : {std::pair{Qt::black, 3}, std::pair{Qt::white, 1}}) {
        painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(cx - arm, cy, cx + arm, cy);
        painter.drawLine(cx, cy - arm, cx, cy + arm);
    }
}

void CPreviewWidget::resizeEvent(QResizeEvent* event)
{
    // The content point at the middle of the viewport stays there; content
    // that was not scrolled before (or a first size) is shown from its middle.
    const auto middle = [](QScrollBar* bar, int64_t unit, int oldView) {
        return bar->maximum() > 0 && oldView > 0 ? bar->value() * unit + oldView / 2 : -1;
    };
    const int64_t midX = middle(horizontalScrollBar(), m_iUnitX, event->oldSize().width());
    const int64_t midY = middle(verticalScrollBar(), m_iUnitY, event->oldSize().height());
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars(false);
    const auto restore = [](QScrollBar* bar, int64_t mid, int64_t unit, int view) {
        if (mid < 0)
            bar->setValue(bar->maximum() / 2);
        else
            bar->setValue(
                static_cast<int>(std::clamp<int64_t>((mid - view / 2) / unit, 0, bar->maximum())));
    };
    restore(horizontalScrollBar(), midX, m_iUnitX, viewport()->width());
    restore(verticalScrollBar(), midY, m_iUnitY, viewport()->height());
}

void CPreviewWidget::scrollContentsBy(int, int)
{
    ContentChanged();
}

void CPreviewWidget::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton && m_bHasFrame && !m_bPressed) {
        m_bPressed = true;
        emit PointerPressed(PointAt(event->position().toPoint()));
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void CPreviewWidget::mouseMoveEvent(QMouseEvent* event)
{
    m_ptHover = event->position().toPoint();
    ReportHover();
    if (m_bPressed)
        emit PointerDragged(PointAt(*m_ptHover));
    QAbstractScrollArea::mouseMoveEvent(event);
}

void CPreviewWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_bPressed) {
        m_bPressed = false;
        emit PointerReleased();
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void CPreviewWidget::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    // Whole notches of 120; finer wheels add up to them.
    m_iWheelDelta += event->angleDelta().y();
    const int steps = m_iWheelDelta / 120;
    m_iWheelDelta -= steps * 120;
    if (steps != 0)
        ZoomAbout(steps, event->position());
    event->accept();
}

void CPreviewWidget::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() == Qt::NoModifier) {
        switch (event->key()) {
        case Qt::Key_Space:
            emit PlayPauseRequested();
            return;
        case Qt::Key_Left:
            emit StepRequested(-1);
            return;
        case Qt::Key_Right:
            emit StepRequested(1);
            return;
        default:
            break;
        }
    }
    QAbstractScrollArea::keyPressEvent(event);
}

bool CPreviewWidget::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Leave) {
        m_ptHover.reset();
        emit PointHovered(CPreviewPoint{});
    }
    return QAbstractScrollArea::viewportEvent(event);
}
