// The preview as a viewer: zoom, checkerboard, registered view, onion skin,
// playback, pixel readout and the palette swatches, checked on the pixels it
// renders. Playback is driven by firing its timer; nothing waits.

#include "MainDlgFixture.h"
#include "PaletteView.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <climits>

namespace {

// A frame: size, offsets and the index it is filled with.
struct CFrameSpec {
    int w, h, x, y;
    uint8_t fill;
};

class PreviewTest : public MainDlgFixture {
protected:
    // A sprite of one direction with the given frames, or of `directions`
    // directions of them.
    static void MakeFrames(CDC6File& doc, const std::vector<CFrameSpec>& frames, int directions = 1)
    {
        const int count = static_cast<int>(frames.size());
        doc.NewDC6(directions, count);
        for (int i = 0; i < directions * count; ++i) {
            const CFrameSpec& f = frames[static_cast<size_t>(i % count)];
            doc.ResizeFrame(i, f.w, f.h);
            doc.SetFrameOffsetX(i, f.x);
            doc.SetFrameOffsetY(i, f.y);
            for (int y = 0; y < f.h; ++y)
                for (int x = 0; x < f.w; ++x)
                    doc.SetFramePixel(i, x, y, f.fill);
        }
    }

    // Opens the sprite in the window, shown and active.
    void Open(CDC6File& doc)
    {
        const auto path = m_Dir.Path() / "frames.dc6";
        ASSERT_TRUE(doc.SaveDC6(path));
        Start(QString::fromStdString(path.string()));
        m_pDlg->show();
        QApplication::setActiveWindow(m_pDlg.get());
    }

    void OpenFrames(const std::vector<CFrameSpec>& frames, int directions = 1)
    {
        CDC6File doc;
        MakeFrames(doc, frames, directions);
        Open(doc);
    }

    // The example frame of the display: 5 x 2, top row 3 0 0 0 0, bottom
    // row 0 0 7 7 0, offsets -12, 30.
    void OpenExample()
    {
        CDC6File doc;
        MakeFrames(doc, {{5, 2, -12, 30, 0}});
        for (int x : {2, 3})
            doc.SetFramePixel(0, x, 0, 7);
        doc.SetFramePixel(0, 0, 1, 3);
        Open(doc);
    }

    QImage Viewport() const { return Preview()->viewport()->grab().toImage(); }
    QLabel* Readout() const { return Find<QLabel>("m_stcReadout"); }
    QListWidget* Frames() const { return Find<QListWidget>("m_lstFrame"); }
    QTimer* Timer() const { return Find<QTimer>("m_tmrPlayback"); }

    // The timer fires once, as it would after its interval.
    void Tick() const { QMetaObject::invokeMethod(Timer(), "timeout", Qt::DirectConnection); }

    void Key(QWidget* to, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        QTest::keyClick(to, key, modifiers);
    }

    static void Move(QWidget* over, QPoint pos)
    {
        QMouseEvent move(QEvent::MouseMove, pos, over->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(over, &move);
    }

    static void Leave(QWidget* from)
    {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(from, &leave);
    }

    void Wheel(QPoint pos, int delta, Qt::KeyboardModifiers modifiers) const
    {
        QWidget* viewport = Preview()->viewport();
        QWheelEvent wheel(pos, viewport->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
    }

    // The centre of content pixel (x, y) of a canvas of w x h content pixels
    // centred in the viewport.
    QPoint CanvasPixel(int w, int h, int x, int y) const
    {
        const int zoom = Preview()->Zoom();
        const QSize view = Preview()->viewport()->size();
        return {view.width() / 2 - w * zoom / 2 + x * zoom + zoom / 2,
                view.height() / 2 - h * zoom / 2 + y * zoom + zoom / 2};
    }

    static QRgb Colour(int index, int green = 20, int blue = 21)
    {
        return qRgb(index, green, blue);
    }
};

TEST_F(PreviewTest, ZoomKeysStepThroughEveryZoomWithSquarePixels)
{
    OpenExample();
    auto* zoomBox = Find<QComboBox>("m_cboZoom");
    const int rows[2][5] = {{3, 0, 0, 0, 0}, {0, 0, 7, 7, 0}};
    const QSize view = Preview()->viewport()->size();
    bool plusKey = false;
    for (int zoom : {1, 2, 3, 4, 6, 8, 12, 16}) {
        SCOPED_TRACE(zoom);
        EXPECT_EQ(Preview()->Zoom(), zoom);
        EXPECT_EQ(zoomBox->currentText(), QString::number(zoom * 100) + "%");
        const QRect frame = Preview()->FrameRect();
        EXPECT_EQ(frame, QRect(view.width() / 2 - 5 * zoom / 2, view.height() / 2 - zoom, 5 * zoom,
                               2 * zoom))
            << "centred";
        const QImage shown = Viewport().copy(frame);
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                ASSERT_EQ(shown.pixel(x, y), Colour(rows[y / zoom][x / zoom])) << x << ", " << y;
        // Ctrl+= and Ctrl++ both zoom in.
        Key(m_pDlg.get(), plusKey ? Qt::Key_Plus : Qt::Key_Equal, Qt::ControlModifier);
        plusKey = !plusKey;
    }
    EXPECT_EQ(Preview()->Zoom(), 16) << "the last step stays";
    Key(m_pDlg.get(), Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(Preview()->Zoom(), 12);

    // The zoom stays with another palette and another frame.
    auto* palettes = Find<QComboBox>("m_cboPalette");
    palettes->setCurrentIndex(palettes->findText("units"));
    emit palettes->activated(palettes->currentIndex());
    EXPECT_EQ(Preview()->Zoom(), 12);
    EXPECT_EQ(Viewport().pixel(Preview()->FrameRect().topLeft()), Colour(3, 30, 31));

    Key(m_pDlg.get(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(Preview()->Zoom(), 1);
    zoomBox->setCurrentIndex(3);
    emit zoomBox->activated(3);
    EXPECT_EQ(Preview()->Zoom(), 4);
}

TEST_F(PreviewTest, CtrlWheelZoomsAboutThePointerAndAPlainWheelDoesNot)
{
    // Larger than the viewport from 2x on.
    OpenFrames({{300, 200, 0, 0, 9}});
    const QPoint pointer = Preview()->viewport()->rect().center() + QPoint(23, -17);
    const CPreviewPoint under = Preview()->PointAt(pointer);
    ASSERT_TRUE(under.m_bInFrame);
    for (int zoom : {2, 3, 4, 6, 8, 12, 16}) {
        Wheel(pointer, 120, Qt::ControlModifier);
        ASSERT_EQ(Preview()->Zoom(), zoom);
        const CPreviewPoint now = Preview()->PointAt(pointer);
        EXPECT_EQ(now.m_iFrameX, under.m_iFrameX) << zoom;
        EXPECT_EQ(now.m_iFrameY, under.m_iFrameY) << zoom;
    }
    EXPECT_GT(Preview()->horizontalScrollBar()->maximum(), 0) << "a large frame scrolls";
    Wheel(pointer, 60, Qt::ControlModifier);
    EXPECT_EQ(Preview()->Zoom(), 16);
    Wheel(pointer, -60, Qt::ControlModifier);
    Wheel(pointer, -120, Qt::ControlModifier);
    EXPECT_EQ(Preview()->Zoom(), 12) << "half notches add up";
    Wheel(pointer, 120, Qt::NoModifier);
    EXPECT_EQ(Preview()->Zoom(), 12);
}

TEST_F(PreviewTest, AFrameLargerThanThePreviewOpensAtItsMiddle)
{
    // Opened before the window is shown, as a file named at start is.
    OpenFrames({{1000, 900, 0, 0, 9}});
    for (QScrollBar* bar : {Preview()->horizontalScrollBar(), Preview()->verticalScrollBar()}) {
        EXPECT_GT(bar->maximum(), 0);
        EXPECT_EQ(bar->value(), bar->maximum() / 2);
    }
}

TEST_F(PreviewTest, FitChoosesTheLargestStepThatShowsTheFrameOrTheCanvas)
{
    // Frame 1 lies far to the right of frame 0: the canvas is 150 x 20.
    OpenFrames({{40, 20, 0, 0, 5}, {10, 10, 140, 0, 6}});
    const auto fits = [&](int64_t w, int64_t h, int zoom) {
        const QSize view = Preview()->viewport()->size();
        return w * zoom <= view.width() && h * zoom <= view.height();
    };
    const auto next = [](int zoom) {
        const auto& steps = CPreviewWidget::kZoomSteps;
        return *std::upper_bound(steps.begin(), steps.end(), zoom);
    };
    Click("m_btnZoomFit");
    const int frameFit = Preview()->Zoom();
    ASSERT_GT(frameFit, 1);
    ASSERT_LT(frameFit, 16);
    EXPECT_TRUE(fits(40, 20, frameFit));
    EXPECT_FALSE(fits(40, 20, next(frameFit)));

    Find<QCheckBox>("m_chkRegistered")->setChecked(true);
    Click("m_btnZoomFit");
    const int canvasFit = Preview()->Zoom();
    EXPECT_LT(canvasFit, frameFit);
    EXPECT_TRUE(fits(150, 20, canvasFit));
    EXPECT_FALSE(fits(150, 20, next(canvasFit)));
}

TEST_F(PreviewTest, TheCheckerboardShowsThroughIndexZeroOnly)
{
    // Left half index 0, right half index 7.
    CDC6File doc;
    MakeFrames(doc, {{32, 16, 0, 0, 7}});
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            doc.SetFramePixel(0, x, y, 0);
    Open(doc);

    auto* checkerboard = Find<QCheckBox>("m_chkCheckerboard");
    EXPECT_FALSE(checkerboard->isChecked()) << "off by default";
    QImage shown = ShownPicture();
    EXPECT_EQ(shown.pixel(3, 3), Colour(0));

    checkerboard->setChecked(true);
    shown = ShownPicture();
    std::set<QRgb> zeroColours, otherColours;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
            (x < 16 ? zeroColours : otherColours).insert(shown.pixel(x, y));
    EXPECT_EQ(zeroColours,
              std::set<QRgb>({CPreviewWidget::kCheckLight, CPreviewWidget::kCheckDark}));
    EXPECT_EQ(otherColours, std::set<QRgb>({Colour(7)}));
    // Squares of 8 screen pixels, light at the top left.
    EXPECT_EQ(shown.pixel(0, 0), CPreviewWidget::kCheckLight);
    EXPECT_EQ(shown.pixel(7, 7), CPreviewWidget::kCheckLight);
    EXPECT_EQ(shown.pixel(8, 0), CPreviewWidget::kCheckDark);
    EXPECT_EQ(shown.pixel(0, 8), CPreviewWidget::kCheckDark);
    EXPECT_EQ(shown.pixel(8, 8), CPreviewWidget::kCheckLight);
}

TEST_F(PreviewTest, TheRegisteredViewPlacesFramesAtTheirOffsetsAroundTheOrigin)
{
    // Frame 0: 10 x 20 at 0, 0; frame 1: 10 x 10 at 5, 5. The canvas is
    // 15 x 25 and the origin lies at its pixel (0, 20).
    OpenFrames({{10, 20, 0, 0, 3}, {10, 10, 5, 5, 4}});
    Find<QComboBox>("m_cboZoom")->setCurrentIndex(1);
    emit Find<QComboBox>("m_cboZoom")->activated(1);
    // Alone, each frame is centred.
    Frames()->setCurrentRow(1);
    const QSize view = Preview()->viewport()->size();
    EXPECT_EQ(Preview()->FrameRect().topLeft(),
              QPoint(view.width() / 2 - 10, view.height() / 2 - 10));

    Find<QCheckBox>("m_chkRegistered")->setChecked(true);
    struct Case {
        int frame;
        QPoint canvasPixel;
        QRgb colour;
    };
    const QRgb canvas = Colour(0);
    for (const Case& c :
         {Case{0, {7, 2}, Colour(3)}, Case{0, {12, 17}, canvas}, Case{1, {7, 2}, canvas},
          Case{1, {12, 17}, Colour(4)}, Case{1, {5, 24}, Colour(4)}, Case{1, {4, 24}, canvas}}) {
        Frames()->setCurrentRow(c.frame);
        const QPoint at = CanvasPixel(15, 25, c.canvasPixel.x(), c.canvasPixel.y());
        EXPECT_EQ(Viewport().pixel(at), c.colour) << "frame " << c.frame << " at canvas "
                                                  << c.canvasPixel.x() << ", " << c.canvasPixel.y();
    }
    EXPECT_EQ(Preview()->FrameRect().size(), QSize(20, 20));

    // The cross: white through the origin, on a dark outline.
    const QPoint origin = CanvasPixel(15, 25, 0, 20) - QPoint(1, 1);
    const QImage shown = Viewport();
    for (QPoint along : {QPoint(0, 0), QPoint(4, 0), QPoint(-4, 0), QPoint(0, 4), QPoint(0, -4)})
        EXPECT_EQ(shown.pixel(origin + along), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(origin + QPoint(4, 1)), qRgb(0, 0, 0));
}

TEST_F(PreviewTest, TheOnionSkinShowsThePreviousFrameFaintlyInTheRegisteredView)
{
    OpenFrames({{10, 20, 0, 0, 200}, {10, 10, 5, 5, 4}});
    auto* onion = Find<QCheckBox>("m_chkOnionSkin");
    EXPECT_FALSE(onion->isEnabled()) << "only for the registered view";
    Find<QCheckBox>("m_chkRegistered")->setChecked(true);
    ASSERT_TRUE(onion->isEnabled());
    Frames()->setCurrentRow(1);
    const QPoint previousOnly = CanvasPixel(15, 25, 7, 2);
    const QPoint both = CanvasPixel(15, 25, 7, 17);
    EXPECT_EQ(Viewport().pixel(previousOnly), Colour(0));

    onion->setChecked(true);
    const QImage shown = Viewport();
    const QRgb faint = shown.pixel(previousOnly);
    EXPECT_GT(qRed(faint), 0);
    EXPECT_LT(qRed(faint), 100) << "fainter than the frame itself";
    EXPECT_EQ(qGreen(faint), 20);
    EXPECT_EQ(shown.pixel(both), Colour(4)) << "the frame is drawn over it";

    // Before frame 0 comes the last frame.
    Frames()->setCurrentRow(0);
    const QRgb underFirst = Viewport().pixel(CanvasPixel(15, 25, 12, 17));
    EXPECT_NE(underFirst, Colour(0));
    EXPECT_NE(underFirst, Colour(4));
}

TEST_F(PreviewTest, PlaybackMovesTheSelectionAtTheChosenRate)
{
    // Two directions of four frames, told apart by their X offsets.
    OpenFrames({{4, 4, 0, 0, 1}, {4, 4, 1, 0, 1}, {4, 4, 2, 0, 1}, {4, 4, 3, 0, 1}}, 2);
    Find<QComboBox>("m_cboDirection")->setCurrentIndex(1);
    auto* play = Find<QPushButton>("m_btnPlay");
    auto* fps = Find<QSpinBox>("m_spnFps");
    EXPECT_EQ(fps->value(), 25);
    EXPECT_EQ(fps->minimum(), 1);
    EXPECT_EQ(fps->maximum(), 60);
    EXPECT_EQ(play->text(), "播放");

    Preview()->setFocus();
    Key(Preview(), Qt::Key_Space);
    ASSERT_TRUE(Timer()->isActive());
    EXPECT_EQ(play->text(), "暂停");
    EXPECT_TRUE(Find<QCheckBox>("m_chkRegistered")->isChecked()) << "plays registered";
    EXPECT_EQ(Timer()->interval(), 40);
    EXPECT_TRUE(Timer()->isSingleShot()) << "each wait is made to the next due time";

    const auto ticks = [&](int count) {
        std::vector<int> rows;
        for (int i = 0; i < count; ++i) {
            Tick();
            rows.push_back(Frames()->currentRow());
        }
        return rows;
    };
    EXPECT_EQ(ticks(5), std::vector<int>({1, 2, 3, 0, 1}));
    EXPECT_EQ(InfoFields()[2], "1") << "the shown frame follows the list";
    EXPECT_EQ(Find<QComboBox>("m_cboDirection")->currentIndex(), 1);
    Find<QComboBox>("m_cboPlayMode")->setCurrentIndex(1);
    EXPECT_EQ(ticks(7), std::vector<int>({2, 3, 2, 1, 0, 1, 2}));

    // Another rate starts the schedule again; its first wait is one frame.
    fps->setValue(60);
    EXPECT_EQ(Timer()->interval(), 16);
    fps->setValue(1);
    EXPECT_EQ(Timer()->interval(), 1000);

    // A step pauses; so does the button; Left and Right step around.
    Frames()->setCurrentRow(0);
    Key(Preview(), Qt::Key_Left);
    EXPECT_FALSE(Timer()->isActive());
    EXPECT_EQ(play->text(), "播放");
    EXPECT_EQ(Frames()->currentRow(), 3);
    Key(Preview(), Qt::Key_Right);
    EXPECT_EQ(Frames()->currentRow(), 0);
    Click("m_btnNextFrame");
    Click("m_btnNextFrame");
    Click("m_btnPreviousFrame");
    EXPECT_EQ(Frames()->currentRow(), 1);
    Click("m_btnPlay");
    EXPECT_TRUE(Timer()->isActive());
    Click("m_btnPlay");
    EXPECT_FALSE(Timer()->isActive());
}

TEST_F(PreviewTest, EditingCommandsStopPlaybackFirst)
{
    OpenFrames({{4, 4, 0, 0, 1}, {4, 4, 1, 0, 1}});
    for (const char* command : {"m_btnAddFrame", "m_btnInsertDirection", "m_btnNew"}) {
        Click("m_btnPlay");
        ASSERT_TRUE(Timer()->isActive()) << command;
        m_pScript->answers = {Answer::No};
        Click(command);
        EXPECT_FALSE(Timer()->isActive()) << command;
    }
    // A single frame has nothing to play.
    EXPECT_FALSE(Find<QPushButton>("m_btnPlay")->isEnabled());
}

TEST_F(PreviewTest, TheReadoutNamesThePixelUnderThePointer)
{
    OpenExample();
    Preview()->SetZoom(4);
    QWidget* viewport = Preview()->viewport();
    const QPoint frame = Preview()->FrameRect().topLeft();
    // Column 2 of the bottom row: index 7.
    Move(viewport, frame + QPoint(2 * 4 + 1, 1 * 4 + 2));
    EXPECT_EQ(Readout()->text(), "帧内 (2, 1)  相对原点 (-10, 29)  索引 7  RGB (7, 20, 21)");
    Move(viewport, frame + QPoint(0, 0));
    EXPECT_EQ(Readout()->text(), "帧内 (0, 0)  相对原点 (-12, 28)  索引 3  RGB (3, 20, 21)");
    // The palette marks the entry in white inside a black frame.
    const QImage swatches = Find<CPaletteView>("m_stcPaletteView")->grab().toImage();
    EXPECT_EQ(swatches.pixel(3 * CPaletteView::kCell, 0), qRgb(255, 255, 255));

    Move(viewport, frame - QPoint(2, 2));
    EXPECT_EQ(Readout()->text(), "");
    Find<QCheckBox>("m_chkRegistered")->setChecked(true);
    Move(viewport, Preview()->FrameRect().topLeft() + QPoint(1, 1));
    EXPECT_EQ(Readout()->text(), "帧内 (0, 0)  相对原点 (-12, 28)  索引 3  RGB (3, 20, 21)");
    Leave(viewport);
    EXPECT_EQ(Readout()->text(), "");
}

TEST_F(PreviewTest, TheReadoutFollowsPlayback)
{
    OpenFrames({{4, 4, 0, 0, 10}, {4, 4, 0, 0, 11}, {4, 4, 0, 0, 12}});
    Move(Preview()->viewport(), Preview()->FrameRect().center());
    EXPECT_TRUE(Readout()->text().contains("索引 10"));
    Click("m_btnPlay");
    Tick();
    EXPECT_TRUE(Readout()->text().contains("索引 11")) << Readout()->text().toStdString();
}

TEST_F(PreviewTest, PaletteSwatchesShowThePaletteAndNameTheHoveredEntry)
{
    Start();
    m_pDlg->show();
    auto* swatches = Find<CPaletteView>("m_stcPaletteView");
    // Entry 35: row 2, column 3.
    const QPoint cell(3 * CPaletteView::kCell + 3, 2 * CPaletteView::kCell + 3);
    EXPECT_EQ(swatches->grab().toImage().pixel(cell), Colour(35));
    EXPECT_EQ(swatches->HoverText(), "");
    Move(swatches, cell);
    EXPECT_EQ(swatches->HoveredIndex(), 35);
    EXPECT_EQ(swatches->HoverText(), "索引 35\nRGB (35, 20, 21)");

    // Another palette shows at once, even while only the logo is shown.
    auto* palettes = Find<QComboBox>("m_cboPalette");
    palettes->setCurrentIndex(palettes->findText("units"));
    emit palettes->activated(palettes->currentIndex());
    EXPECT_EQ(swatches->grab().toImage().pixel(cell), Colour(35, 30, 31));
    EXPECT_EQ(swatches->HoverText(), "索引 35\nRGB (35, 30, 31)");
    Move(swatches, QPoint(500, 3));
    EXPECT_EQ(swatches->HoveredIndex(), -1);
}

TEST(PlaybackSchedule, FramesKeepToTheirDueTimes)
{
    struct Case {
        const char* what;
        int fps;
        std::vector<int64_t> shownAt;
        std::vector<int> waits;
    };
    const Case cases[] = {
        {"on time", 25, {40, 80, 120}, {40, 40, 40}},
        {"late: the next wait is shorter", 25, {45, 80}, {35, 40}},
        {"early: the next wait is longer", 25, {30}, {50}},
        {"more than a frame behind: counted again", 25, {140, 180}, {40, 40}},
        {"thirds of milliseconds", 60, {16, 33, 50}, {17, 17, 16}},
    };
    for (const Case& c : cases) {
        CPlaybackSchedule schedule;
        schedule.Start(c.fps, 0);
        std::vector<int> waits;
        for (int64_t at : c.shownAt)
            waits.push_back(schedule.Next(at));
        EXPECT_EQ(waits, c.waits) << c.what;
    }

    // A hundred seconds at 60 frames a second do not drift.
    CPlaybackSchedule schedule;
    schedule.Start(60, 0);
    int64_t now = schedule.FirstWait();
    for (int frame = 1; frame <= 6000; ++frame)
        now += schedule.Next(now);
    EXPECT_EQ(now, 100'016) << "frame 6001 is due at 100.0167 s";
}

// The widget alone, with pixels it is given by hand.
class PreviewWidgetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Widget.resize(300, 300);
        m_Widget.SetPixelSource([this](int key) {
            return key < static_cast<int>(m_Pixels.size())
                       ? std::span<const uint8_t>(m_Pixels[static_cast<size_t>(key)])
                       : std::span<const uint8_t>();
        });
        m_Widget.show();
    }

    void Show(const CPreviewFrame& frame, const CPreviewFrame& previous = {})
    {
        CDirectionCanvas canvas;
        for (const CPreviewFrame& f : {frame, previous}) {
            DC6FrameHeader header{};
            header.m_iWidth = f.m_iWidth;
            header.m_iHeight = f.m_iHeight;
            header.m_iOffsetX = f.m_iOffsetX;
            header.m_iOffsetY = f.m_iOffsetY;
            if (f.m_iKey >= 0)
                canvas.Cover(header);
        }
        m_Widget.SetFrame(frame, previous, canvas, GreyRampPalette());
    }

    std::vector<std::vector<uint8_t>> m_Pixels;
    CPreviewWidget m_Widget;
};

TEST_F(PreviewWidgetTest, PixelsThatDoNotMatchTheFrameSizeAreNotDrawn)
{
    m_Pixels = {std::vector<uint8_t>(15, 200)};
    Show({0, 4, 4, 0, 0});
    const QImage shown = m_Widget.viewport()->grab().toImage();
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            ASSERT_NE(shown.pixel(x, y), qRgb(200, 200, 200));
    EXPECT_FALSE(m_Widget.PointAt(m_Widget.FrameRect().center()).m_bInFrame);
}

TEST_F(PreviewWidgetTest, FramesFarApartStillScrollFromEndToEnd)
{
    // Two frames four thousand million pixels apart, at the largest zoom:
    // the scroll bars count in larger units and still reach both ends.
    m_Pixels = {std::vector<uint8_t>(4, 1), std::vector<uint8_t>(4, 200)};
    const CPreviewFrame left{0, 2, 2, -2'000'000'000, 0};
    const CPreviewFrame right{1, 2, 2, 2'000'000'000, 0};
    m_Widget.SetRegistered(true);
    m_Widget.SetOnionSkin(true);
    m_Widget.SetZoom(16);
    Show(left, right);
    QScrollBar* bar = m_Widget.horizontalScrollBar();
    EXPECT_LE(bar->maximum(), 1 << 30);
    bar->setValue(0);
    EXPECT_EQ(m_Widget.PointAt(QPoint(0, m_Widget.FrameRect().center().y())).m_iIndex, 1);
    bar->setValue(bar->maximum());
    const CPreviewPoint end = m_Widget.PointAt(
        QPoint(m_Widget.viewport()->width() - 1, m_Widget.FrameRect().center().y()));
    EXPECT_EQ(end.m_iOriginX, 2'000'000'001);
    const QImage shown = m_Widget.viewport()->grab().toImage();
    EXPECT_NE(shown.pixel(shown.width() - 1, m_Widget.FrameRect().center().y()),
              shown.pixel(shown.width() / 2, m_Widget.FrameRect().center().y()))
        << "the onion skin at the right end";
}

} // namespace
