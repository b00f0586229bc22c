// The touch-up tools driven with the mouse and the keys over the preview, at
// several zooms and in both views, checked on the document's pixels and on
// the saved file.

#include "MainDlgFixture.h"
#include "PaletteView.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <functional>

namespace {

constexpr int kWidth = 10;
constexpr int kHeight = 6;
const std::vector<std::string> kUntouched(kHeight, std::string(kWidth, '2'));

class TouchUpTest : public MainDlgFixture {
protected:
    // A sprite of D x F frames of kWidth x kHeight, each filled with index
    // 2, at offsets that differ from frame to frame, opened in the window.
    void OpenSprite(int directions, int frames)
    {
        CDC6File doc;
        doc.NewDC6(directions, frames);
        for (int i = 0; i < directions * frames; ++i) {
            doc.ResizeFrame(i, kWidth, kHeight);
            doc.SetFrameOffsetX(i, 4 * i - 7);
            doc.SetFrameOffsetY(i, 20 - 3 * i);
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x)
                    doc.SetFramePixel(i, x, y, 2);
        }
        m_Path = m_Dir.Path() / "touch.dc6";
        ASSERT_TRUE(doc.SaveDC6(m_Path));
        Start(QString::fromStdString(m_Path.string()));
        m_pDlg->show();
        QApplication::setActiveWindow(m_pDlg.get());
    }

    // Frame pixel (x, y), rows counted from the top, on the screen.
    QPoint At(int x, int y) const
    {
        const int zoom = Preview()->Zoom();
        return Preview()->FrameRect().topLeft() + QPoint(x * zoom + zoom / 2, y * zoom + zoom / 2);
    }

    void Mouse(QEvent::Type type, QPoint pos, Qt::MouseButtons held) const
    {
        QWidget* viewport = Preview()->viewport();
        QMouseEvent event(type, pos, viewport->mapToGlobal(pos),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                          Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }

    // A press at the first point, the button held through the others, and
    // a release at the last.
    void Stroke(std::initializer_list<QPoint> points) const
    {
        Mouse(QEvent::MouseButtonPress, *points.begin(), Qt::LeftButton);
        for (auto p = points.begin() + 1; p != points.end(); ++p)
            Mouse(QEvent::MouseMove, *p, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, *(points.end() - 1), Qt::NoButton);
    }

    void Click(QPoint pos) const { Stroke({pos}); }
    using MainDlgFixture::Click;

    // Frame i as rows of indices from the top, one character each ('0' +
    // index).
    std::vector<std::string> Picture(int frame) const
    {
        const std::span<const uint8_t> pixels = m_pDlg->Document().GetFramePixels(frame);
        std::vector<std::string> rows;
        for (int y = kHeight - 1; y >= 0; --y) {
            rows.emplace_back();
            for (int x = 0; x < kWidth; ++x)
                rows.back() += static_cast<char>('0' + pixels[static_cast<size_t>(y * kWidth + x)]);
        }
        return rows;
    }

    void ShowRegistered(bool on) const { Find<QCheckBox>("m_chkRegistered")->setChecked(on); }

    std::filesystem::path m_Path;
};

} // namespace

TEST_F(TouchUpTest, AStrokeIsAContinuousLineAtEveryZoomInBothViews)
{
    for (const bool registered : {false, true}) {
        for (const int zoom : {1, 4}) {
            SCOPED_TRACE(testing::Message()
                         << "zoom " << zoom << (registered ? " registered" : ""));
            OpenSprite(2, 2);
            Preview()->SetZoom(zoom);
            ShowRegistered(registered);
            Click("m_btnPencil");
            m_pDlg->SetCurrentIndex(7);
            Find<QListWidget>("m_lstFrame")->setCurrentRow(1);
            // Three events far apart: across, then a long slant down to
            // the left, and on beyond the frame's corner.
            Stroke({At(1, 1), At(8, 1), At(2, 4), At(-1, 7)});
            const std::vector<std::string> painted = {
                "2222222222", //
                "2777777772", //
                "2222227722", //
                "2222772222", //
                "2277222222", //
                "2722222222", //
            };
            EXPECT_EQ(Picture(1), painted);
            for (int other : {0, 2, 3})
                EXPECT_EQ(Picture(other), kUntouched) << other;
            EXPECT_EQ(m_pDlg->Saved(), 0);
            EXPECT_TRUE(m_pDlg->windowTitle().endsWith(" *]"));
        }
    }
}

TEST_F(TouchUpTest, EraserEyedropperAndFillWithTheirKeys)
{
    OpenSprite(1, 1);
    Preview()->SetZoom(3);
    Preview()->setFocus();
    // Keys choose the tools while the preview has the focus, not elsewhere.
    QTest::keyClick(Preview(), Qt::Key_E);
    EXPECT_EQ(m_pDlg->findChild<CPreviewPanel*>()->CurrentTool(), CPreviewPanel::Tool::Eraser);
    Stroke({At(0, 2), At(9, 2)});
    QTest::keyClick(Preview(), Qt::Key_B);
    m_pDlg->SetCurrentIndex(5);
    Stroke({At(4, 0), At(4, 5)});
    // The eyedropper takes the index under the pointer; the fill puts it
    // into the area that holds the clicked pixel, not through the lines.
    QTest::keyClick(Preview(), Qt::Key_I);
    m_pDlg->SetCurrentIndex(9);
    Click(At(4, 3));
    EXPECT_EQ(m_pDlg->CurrentIndex(), 5);
    EXPECT_EQ(Find<QLabel>("m_stcCurrentIndex")->text(), "当前索引 5\nRGB (5, 20, 21)");
    QTest::keyClick(Preview(), Qt::Key_G);
    m_pDlg->SetCurrentIndex(8);
    Click(At(7, 4));
    EXPECT_EQ(Picture(0), (std::vector<std::string>{
                              "2222522222",
                              "2222522222",
                              "0000500000",
                              "2222588888",
                              "2222588888",
                              "2222588888",
                          }));
    Find<QListWidget>("m_lstFrame")->setFocus();
    QTest::keyClick(Find<QListWidget>("m_lstFrame"), Qt::Key_B);
    EXPECT_EQ(m_pDlg->findChild<CPreviewPanel*>()->CurrentTool(), CPreviewPanel::Tool::Fill);
    // A second click on the chosen tool puts it down: the preview only looks.
    Click("m_btnFill");
    EXPECT_EQ(m_pDlg->findChild<CPreviewPanel*>()->CurrentTool(), CPreviewPanel::Tool::None);
    Click(At(0, 0));
    EXPECT_EQ(Picture(0)[0], "2222522222");
}

TEST_F(TouchUpTest, APaletteEntryClickedBecomesTheCurrentIndex)
{
    OpenSprite(1, 1);
    auto* swatches = Find<CPaletteView>("m_stcPaletteView");
    const QPoint cell(3 * CPaletteView::kCell + 2, 2 * CPaletteView::kCell + 2);
    QTest::mouseClick(swatches, Qt::LeftButton, Qt::NoModifier, cell);
    EXPECT_EQ(m_pDlg->CurrentIndex(), 35);
    EXPECT_EQ(Find<QLabel>("m_stcCurrentColour")->pixmap().toImage().pixel(8, 8), qRgb(35, 20, 21));
}

TEST_F(TouchUpTest, ToolsDoNothingOutsideTheFrameOnTheLogoOrDuringPlayback)
{
    OpenSprite(1, 3);
    ShowRegistered(true);
    Click("m_btnPencil");
    // On the canvas beside the frame.
    const QRect frame = Preview()->FrameRect();
    Click(frame.topLeft() - QPoint(2, 2));
    Click(frame.bottomRight() + QPoint(2, 2));
    EXPECT_EQ(m_pDlg->Saved(), 1);
    Click("m_btnPlay");
    ASSERT_TRUE(Find<QPushButton>("m_btnPlay")->text() == "暂停");
    EXPECT_FALSE(Find<QPushButton>("m_btnPencil")->isEnabled());
    Click(At(3, 3));
    EXPECT_EQ(m_pDlg->Saved(), 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Picture(i), kUntouched);
    Click("m_btnPlay");
    m_pDlg->OnFileClose();
    EXPECT_FALSE(Find<QPushButton>("m_btnPencil")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("m_btnReplaceIndex")->isEnabled());
}

TEST_F(TouchUpTest, ReplaceIndexOverEachScope)
{
    const std::pair<const char*, std::vector<int>> cases[] = {
        {"m_radFrame", {3}},
        {"m_radDirection", {2, 3}},
        {"m_radSprite", {0, 1, 2, 3}},
    };
    for (const auto& [radio, changed] : cases) {
        SCOPED_TRACE(radio);
        OpenSprite(2, 2);
        Find<QComboBox>("m_cboDirection")->setCurrentIndex(1);
        Find<QListWidget>("m_lstFrame")->setCurrentRow(1);
        m_pScript->dialogs.push_back([radio](QDialog& dialog) {
            dialog.findChild<QSpinBox*>("m_edtFrom")->setValue(2);
            dialog.findChild<QSpinBox*>("m_edtTo")->setValue(6);
            dialog.findChild<QRadioButton*>(radio)->setChecked(true);
            dialog.accept();
            return QDialog::Accepted;
        });
        Click("m_btnReplaceIndex");
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(Picture(i)[0][0], std::ranges::find(changed, i) != changed.end() ? '6' : '2')
                << i;
        EXPECT_EQ(m_pDlg->Saved(), 0);
    }
}

TEST_F(TouchUpTest, SaveWritesThePaintedPixelsAndNothingElseChanges)
{
    OpenSprite(2, 2);
    const Bytes original = testutil::ReadFile(m_Path);
    Preview()->SetZoom(4);
    Click("m_btnPencil");
    m_pDlg->SetCurrentIndex(200);
    Find<QComboBox>("m_cboDirection")->setCurrentIndex(1);
    Stroke({At(0, 0), At(3, 0)});
    m_pDlg->OnFileSave();
    EXPECT_EQ(m_pDlg->Saved(), 1);

    // The same sprite with the same four pixels set (frame 0 of direction
    // 1, top row), written by the document alone: the same bytes.
    CDC6File expected;
    ASSERT_TRUE(expected.LoadDC6(original));
    for (int x = 0; x < 4; ++x)
        expected.SetFramePixel(2, x, kHeight - 1, 200);
    ASSERT_TRUE(expected.SaveDC6(m_Dir.Path() / "expected.dc6"));
    EXPECT_EQ(testutil::ReadFile(m_Path), testutil::ReadFile(m_Dir.Path() / "expected.dc6"));
}

TEST_F(TouchUpTest, EachToolIsOneStepToUndoAndRedo)
{
    struct Case {
        const char* name;
        std::function<void()> act;
    };
    const Case cases[] = {
        {"pencil",
         [this] {
             Click("m_btnPencil");
             Stroke({At(0, 0), At(9, 0), At(9, 5), At(0, 3)});
         }},
        {"eraser",
         [this] {
             Click("m_btnEraser");
             Stroke({At(2, 5), At(2, 0), At(7, 2)});
         }},
        {"fill",
         [this] {
             Click("m_btnFill");
             Click(At(5, 5));
         }},
        {"replace",
         [this] {
             m_pScript->dialogs.push_back([](QDialog& dialog) {
                 dialog.findChild<QSpinBox*>("m_edtFrom")->setValue(2);
                 dialog.findChild<QRadioButton*>("m_radSprite")->setChecked(true);
                 dialog.accept();
                 return QDialog::Accepted;
             });
             Click("m_btnReplaceIndex");
         }},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        OpenSprite(2, 2);
        Preview()->SetZoom(4);
        ShowRegistered(true);
        m_pDlg->SetCurrentIndex(9);
        Find<QComboBox>("m_cboDirection")->setCurrentIndex(1);
        const auto pictures = [this] {
            std::vector<std::vector<std::string>> all;
            for (int i = 0; i < 4; ++i)
                all.push_back(Picture(i));
            return all;
        };
        const auto before = pictures();
        test.act();
        const auto after = pictures();
        ASSERT_NE(after, before);
        EXPECT_EQ(m_pDlg->History().Stack().count(), 1);
        // Undone from another frame, the step shows the frame it changed.
        Find<QComboBox>("m_cboDirection")->setCurrentIndex(0);
        m_pDlg->OnUndo();
        EXPECT_EQ(pictures(), before);
        EXPECT_EQ(m_pDlg->Saved(), 1);
        EXPECT_EQ(m_pDlg->SelectedFrameIndex(), 2);
        m_pDlg->OnRedo();
        EXPECT_EQ(pictures(), after);
        EXPECT_EQ(m_pDlg->Saved(), 0);
    }
}
