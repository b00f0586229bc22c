// The grid commands through the window's buttons, on the worked example: two
// directions of three frames, a0 a1 a2 b0 b1 b2, with direction 1 and frame 1
// selected.

#include "ChangeOffsetDlg.h"
#include "MainDlgFixture.h"

#include <QSpinBox>

namespace {

class GridCommandsTest : public MainDlgFixture {
protected:
    // Frames are told apart by their X offsets: a0..a2 are 10..12, b0..b2
    // are 20..22, blank frames 0.
    void OpenExample()
    {
        CDC6File doc;
        doc.NewDC6(2, 3);
        for (int i = 0; i < 6; ++i)
            doc.SetFrameOffsetX(i, (i / 3 + 1) * 10 + i % 3);
        const auto path = m_Dir.Path() / "example.dc6";
        ASSERT_TRUE(doc.SaveDC6(path));
        Start(QString::fromStdString(path.string()));
        Directions()->setCurrentIndex(1);
        Frames()->setCurrentRow(1);
    }

    QComboBox* Directions() const { return Find<QComboBox>("m_cboDirection"); }
    QListWidget* Frames() const { return Find<QListWidget>("m_lstFrame"); }

    std::string Marks() const
    {
        std::string text;
        for (int i = 0; i < m_pDlg->Document().GetFrameListLength(); ++i)
            text += (text.empty() ? "" : " ") + Mark(m_pDlg->Document().GetFrameOffsetX(i));
        return text;
    }

    static std::string Mark(int offset)
    {
        return offset == 0 ? "n"
                           : std::string(1, static_cast<char>('a' + offset / 10 - 1)) +
                                 std::to_string(offset % 10);
    }

    // The frame in the preview, by the X offset in its field.
    std::string Shown() const { return Mark(InfoFields()[2].toInt()); }
};

} // namespace

TEST_F(GridCommandsTest, WorkedExample)
{
    struct Case {
        const char* button;
        bool asks;
        const char* frames;
        QStringList directions;
        int selectedDirection;
        QStringList frameLabels;
        int selectedFrame;
        const char* shown;
    };
    const Case cases[] = {
        {"m_btnDeleteDirection", true, "a0 a1 a2", {"00"}, 0, {"0000", "0001", "0002"}, 1, "a1"},
        {"m_btnAddDirection",
         false,
         "a0 a1 a2 b0 b1 b2 n n n",
         {"00", "01", "02"},
         2,
         {"0000", "0001", "0002"},
         1,
         "n"},
        {"m_btnInsertDirection",
         false,
         "a0 a1 a2 n n n b0 b1 b2",
         {"00", "01", "02"},
         1,
         {"0000", "0001", "0002"},
         1,
         "n"},
        {"m_btnDeleteFrame", true, "a0 a2 b0 b2", {"00", "01"}, 1, {"0000", "0001"}, 1, "b2"},
        {"m_btnAddFrame",
         false,
         "a0 a1 a2 n b0 b1 b2 n",
         {"00", "01"},
         1,
         {"0000", "0001", "0002", "0003"},
         3,
         "n"},
        {"m_btnInsertFrame",
         false,
         "a0 n a1 a2 b0 n b1 b2",
         {"00", "01"},
         1,
         {"0000", "0001", "0002", "0003"},
         1,
         "n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        OpenExample();
        EXPECT_EQ(Shown(), "b1");
        if (c.asks)
            m_pScript->answers = {Answer::Yes};
        Click(c.button);
        EXPECT_EQ(Marks(), c.frames);
        EXPECT_EQ(Items(Directions()), c.directions);
        EXPECT_EQ(Directions()->currentIndex(), c.selectedDirection);
        EXPECT_EQ(Items(Frames()), c.frameLabels);
        EXPECT_EQ(Frames()->currentRow(), c.selectedFrame);
        EXPECT_EQ(Shown(), c.shown);
        EXPECT_EQ(m_pDlg->Saved(), 0);
        EXPECT_TRUE(m_pDlg->windowTitle().endsWith("[example.dc6 *]"));
        DC6FileHeader header;
        m_pDlg->Document().GetDC6FileHeader(header);
        EXPECT_EQ(header.m_iDirections, c.directions.size());
        EXPECT_EQ(header.m_iFramesPerDirection, c.frameLabels.size());
    }
}

TEST_F(GridCommandsTest, ConfirmationsUseTheirTextsAndNoChangesNothing)
{
    OpenExample();
    m_pScript->answers = {Answer::No, Answer::No};
    Click("m_btnDeleteDirection");
    Click("m_btnDeleteFrame");
    ASSERT_EQ(m_pScript->asked.size(), 2u);
    EXPECT_EQ(m_pScript->asked[0].text,
              "This will delete all the frames in this direction!\nProcede?");
    EXPECT_EQ(m_pScript->asked[1].text,
              "This will delete the same frame number in all Directions\nProcede?");
    for (const auto& asked : m_pScript->asked) {
        EXPECT_EQ(asked.caption, "Warning");
        EXPECT_EQ(asked.buttons, Buttons::YesNo);
        EXPECT_EQ(asked.icon, Icon::Exclamation);
    }
    EXPECT_EQ(Marks(), "a0 a1 a2 b0 b1 b2");
    EXPECT_EQ(m_pDlg->Saved(), 1);
    EXPECT_EQ(m_pDlg->windowTitle(), "Spritewright | 1.02 - [example.dc6]");
}

TEST_F(GridCommandsTest, DeleteButtonsFollowTheCounts)
{
    CDC6File doc;
    doc.NewDC6(1, 1);
    doc.SaveDC6(m_Dir.Path() / "one.dc6");
    Start(QString::fromStdString((m_Dir.Path() / "one.dc6").string()));
    auto* deleteDirection = Find<QPushButton>("m_btnDeleteDirection");
    auto* deleteFrame = Find<QPushButton>("m_btnDeleteFrame");
    EXPECT_FALSE(deleteDirection->isEnabled());
    EXPECT_FALSE(deleteFrame->isEnabled());
    Click("m_btnInsertDirection");
    EXPECT_TRUE(deleteDirection->isEnabled());
    Click("m_btnAddFrame");
    EXPECT_TRUE(deleteFrame->isEnabled());

    m_pScript->answers = {Answer::Yes, Answer::Yes};
    Click("m_btnDeleteDirection");
    Click("m_btnDeleteFrame");
    EXPECT_FALSE(deleteDirection->isEnabled());
    EXPECT_FALSE(deleteFrame->isEnabled());
}

TEST_F(GridCommandsTest, DeletingTheLastFrameSelectsTheNewLastOne)
{
    OpenExample();
    Frames()->setCurrentRow(2);
    m_pScript->answers = {Answer::Yes};
    Click("m_btnDeleteFrame");
    EXPECT_EQ(Marks(), "a0 a1 b0 b1");
    EXPECT_EQ(Frames()->currentRow(), 1);
    EXPECT_EQ(Shown(), "b1");
}

TEST_F(GridCommandsTest, OffsetsChangeThroughTheirDialog)
{
    OpenExample();
    const QImage before = ShownPicture();
    QString caption;
    m_pScript->dialogs = {[&](QDialog& dialog) {
        caption = dialog.windowTitle();
        auto* x = dialog.findChild<QSpinBox*>("m_edtOffsetX");
        auto* y = dialog.findChild<QSpinBox*>("m_edtOffsetY");
        EXPECT_EQ(x->value(), 21);
        EXPECT_EQ(y->value(), 0);
        x->setValue(-12);
        y->setValue(30);
        dialog.accept();
        return dialog.result();
    }};
    Click("m_btnChangeOffset");
    EXPECT_EQ(caption, "更改位移");
    EXPECT_EQ(m_pDlg->Document().GetFrameOffsetX(4), -12);
    EXPECT_EQ(m_pDlg->Document().GetFrameOffsetY(4), 30);
    EXPECT_EQ(InfoFields()[2], "-12");
    EXPECT_EQ(InfoFields()[3], "30");
    EXPECT_EQ(m_pDlg->Saved(), 0);
    EXPECT_EQ(ShownPicture(), before);

    // Cancel changes nothing, not even the saved flag.
    OpenExample();
    m_pScript->dialogs = {[](QDialog& dialog) {
        dialog.findChild<QSpinBox*>("m_edtOffsetX")->setValue(99);
        dialog.reject();
        return dialog.result();
    }};
    Click("m_btnChangeOffset");
    EXPECT_EQ(m_pDlg->Document().GetFrameOffsetX(4), 21);
    EXPECT_EQ(InfoFields()[2], "21");
    EXPECT_EQ(m_pDlg->Saved(), 1);
}
