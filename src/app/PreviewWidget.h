#pragma once

// The preview: one frame drawn from its palette indices through a palette,
// either alone (centred, true size by default) or registered on the canvas of
// its direction with the origin marked by a cross and, optionally, the
// previous frame faintly beneath it (onion skin). Index 0 can be drawn as a
// checkerboard instead of its colour. Zoom goes by whole steps with square
// pixels, and every paint colours only the part of the viewport it must: no
// picture of the whole frame, zoomed or not, is ever made.
//
// The widget knows nothing of files or documents: it is given frame
// geometries, a canvas and a palette, and reads a frame's indices from a
// pixel source each time it paints, so that it never holds a copy of them.

#include "DirectionCanvas.h"
#include "Palette.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QRgb>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

// A frame as the preview places it; m_iKey names it to the pixel source.
struct CPreviewFrame {
    int m_iKey = -1;
    int m_iWidth = 0;
    int m_iHeight = 0;
    int m_iOffsetX = 0;
    int m_iOffsetY = 0;
};

// The palette indices of the frame a key names: width x height bytes, row 0
// at the bottom. A frame whose span has another size is not drawn.
using CPixelSource = std::function<std::span<const uint8_t>(int key)>;

// What lies under a point of the viewport. The coordinates are given for
// any point while a frame is shown, also beyond the frame and its canvas.
struct CPreviewPoint {
    // Over the drawn frame or, in the registered view, over its canvas.
    bool m_bOnCanvas = false;
    // Over a pixel of the frame; m_iIndex and m_rgbColour are then its index
    // and the colour it is drawn with.
    bool m_bInFrame = false;
    // The frame pixel: column, and row counted from the top of the picture
    // (buffer row height - 1 - y).
    int64_t m_iFrameX = 0;
    int64_t m_iFrameY = 0;
    // The same point relative to the origin, x to the right, y down.
    int64_t m_iOriginX = 0;
    int64_t m_iOriginY = 0;
    int m_iIndex = -1;
    QRgb m_rgbColour = 0;
};

class CPreviewWidget : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr std::array<int, 8> kZoomSteps{1, 2, 3, 4, 6, 8, 12, 16};
    // The two colours of the checkerboard and the side of its squares in
    // screen pixels.
    static constexpr QRgb kCheckLight = 0xffffffff;
    static constexpr QRgb kCheckDark = 0xffcccccc;
    static constexpr int kCheckSize = 8;
    // How strongly the onion skin shows, out of 256.
    static constexpr int kOnionAlpha = 96;

    explicit CPreviewWidget(QWidget* parent = nullptr);

    void SetPixelSource(CPixelSource source);
    // Shows `frame` coloured by `palette`, on `canvas` in the registered view;
    // `previous` (key -1 for none) is the onion skin.
    void SetFrame(const CPreviewFrame& frame, const CPreviewFrame& previous,
                  const CDirectionCanvas& canvas, const CPalette& palette);
    void Clear();
    bool HasFrame() const { return m_bHasFrame; }

    int Zoom() const { return m_iZoom; }
    // Any other value than a zoom step is ignored.
    void SetZoom(int zoom);
    void ZoomIn();
    void ZoomOut();
    // The largest step at which the whole frame (or canvas) is in view.
    void ZoomToFit();
    // `steps` steps in or out, keeping the pixel under `viewportPos` there.
    void ZoomAbout(int steps, QPointF viewportPos);

    bool Checkerboard() const { return m_bCheckerboard; }
    void SetCheckerboard(bool on);
    bool Registered() const { return m_bRegistered; }
    void SetRegistered(bool on);
    bool OnionSkin() const { return m_bOnionSkin; }
    void SetOnionSkin(bool on);

    // What lies under a point of the viewport, in viewport coordinates.
    CPreviewPoint PointAt(QPoint viewportPos) const;
    // Room for a game frame at a few times its size.
    QSize sizeHint() const override { return {420, 360}; }

    // The viewport rectangle the frame's pixels cover (partly outside the
    // viewport when the frame is scrolled); empty while nothing is shown.
    QRect FrameRect() const;

    // The pixels of the frames shown have changed: draws them again.
    void PixelsChanged();
    // A cross for a pointer that edits, the arrow for one that only looks.
    void SetEditCursor(bool on);

signals:
    void ZoomChanged(int zoom);
    // The pointer moved over the viewport, or left it (m_bOnCanvas false),
    // or what lies under it changed.
    void PointHovered(const CPreviewPoint& point);
    // Space, Left and Right while the preview has the focus.
    void PlayPauseRequested();
    void StepRequested(int delta);
    // The left button went down over the viewport, the pointer moved with it
    // held, and the button came up again, while a frame is shown.
    void PointerPressed(const CPreviewPoint& point);
    void PointerDragged(const CPreviewPoint& point);
    void PointerReleased();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    // Where things lie: content pixels are canvas pixels (frame pixels in
    // the frame view); the content's pixel (0, 0) is drawn at (left, top)
    // of the viewport, each one zoom x zoom screen pixels. The onion skin
    // and the origin have places only in the registered view.
    struct CLayout {
        int64_t m_iWidth = 0, m_iHeight = 0;
        int64_t m_iFrameX = 0, m_iFrameY = 0;
        int64_t m_iPreviousX = 0, m_iPreviousY = 0;
        int64_t m_iOriginX = 0, m_iOriginY = 0;
        int64_t m_iLeft = 0, m_iTop = 0;
    };
    CLayout Layout() const;
    std::span<const uint8_t> Pixels(const CPreviewFrame& frame) const;
    bool ShowsPrevious() const;
    void UpdateScrollBars(bool centre);
    void ChangeZoom(int zoom, QPointF anchor);
    void ContentChanged();
    void ReportHover();
    void DrawOrigin(QPainter& painter, const CLayout& layout) const;

    CPixelSource m_Source;
    bool m_bHasFrame = false;
    CPreviewFrame m_Frame;
    CPreviewFrame m_Previous;
    CDirectionCanvas m_Canvas;
    std::array<QRgb, 256> m_Colours{};
    int m_iZoom = 1;
    bool m_bCheckerboard = false;
    bool m_bRegistered = false;
    bool m_bOnionSkin = false;
    // Scroll bar values count units of this many screen pixels, so that a
    // canvas too large for an int still scrolls.
    int64_t m_iUnitX = 1;
    int64_t m_iUnitY = 1;
    int m_iWheelDelta = 0;
    std::optional<QPoint> m_ptHover;
    // The left button went down over a frame and is still held.
    bool m_bPressed = false;
    // Reused from paint to paint: the viewport's picture, and for the frame
    // and the onion skin the frame column under each viewport column.
    QImage m_imgRender;
    std::vector<int> m_Columns;
    std::vector<int> m_PreviousColumns;
};
