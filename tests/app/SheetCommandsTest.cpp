// Export a sprite sheet with its atlas and build a sprite from one, through
// the window.

#include "ExportSheetDlg.h"
#include "MainDlgFixture.h"

#include <QRadioButton>
#include <QSpinBox>

namespace {

class SheetCommandsTest : public MainDlgFixture {
protected:
    QString Path(const std::string& name) const
    {
        return QString::fromStdString((m_Dir.Path() / name).string());
    }
};

} // namespace

TEST_F(SheetCommandsTest, OptionsStartWithRegisteredRowsAtTheGamesRate)
{
    CExportSheetDlg options;
    EXPECT_EQ(options.windowTitle(), "导出图集选项");
    EXPECT_TRUE(options.findChild<QRadioButton*>("m_radRows")->isChecked());
    EXPECT_TRUE(options.findChild<QRadioButton*>("m_radRegistered")->isChecked());
    auto* padding = options.findChild<QSpinBox*>("m_edtPadding");
    auto* rate = options.findChild<QSpinBox*>("m_edtFramesPerSecond");
    EXPECT_EQ(padding->value(), 0);
    EXPECT_EQ(padding->maximum(), 256);
    EXPECT_EQ(rate->value(), 25);
    EXPECT_EQ(rate->maximum(), 100);
    options.findChild<QRadioButton*>("m_radPacked")->click();
    options.findChild<QRadioButton*>("m_radTrimmed")->click();
    EXPECT_FALSE(options.findChild<QRadioButton*>("m_radRows")->isChecked())
        << "the layouts exclude each other, not the layouts and the canvases";
    padding->setValue(3);
    rate->setValue(10);
    options.accept();
    EXPECT_EQ(options.m_Options.layout, SheetLayout::Packed);
    EXPECT_EQ(options.m_Options.canvas, SheetCanvas::Trimmed);
    EXPECT_EQ(options.m_Options.nPadding, 3);
    EXPECT_EQ(options.m_Options.nFramesPerSecond, 10);
}

TEST_F(SheetCommandsTest, ExportedSheetBuildsTheSpriteBack)
{
    const QString walk = WriteSprite("walk.dc6", 2, 3);
    Start(walk);
    m_pScript->dialogs = {[](QDialog& dialog) {
        dialog.findChild<QRadioButton*>("m_radColumns")->click();
        dialog.accept();
        return dialog.result();
    }};
    m_pScript->files = {Path("walk.png"), Path("atlas.json")};
    Click("m_btnExportSheet");
    ASSERT_EQ(m_pScript->fileRequests.size(), 2u);
    EXPECT_TRUE(m_pScript->fileRequests[0].bSave);
    EXPECT_EQ(m_pScript->fileRequests[0].filters.front(), "PNG Format (*.png)");
    EXPECT_EQ(m_pScript->fileRequests[1].strFileName, Path("walk.json"))
        << "the atlas is offered beside the sheet";
    EXPECT_EQ(m_pScript->fileRequests[1].filters.front(), "JSON Atlas (*.json)");
    EXPECT_TRUE(std::filesystem::exists(m_Dir.Path() / "walk.png"));
    EXPECT_TRUE(std::filesystem::exists(m_Dir.Path() / "atlas.json"));
    EXPECT_EQ(m_pDlg->Saved(), 1) << "exporting changes nothing";

    // Building asks before the open sprite is closed.
    m_pScript->answers = {Answer::Yes};
    m_pScript->files = {Path("walk.png"), Path("atlas.json")};
    Click("m_btnImportSheet");
    ASSERT_EQ(m_pScript->asked.size(), 1u);
    EXPECT_EQ(m_pScript->asked[0].text, "This will close currently open DC6!! Continue?");
    EXPECT_FALSE(m_pScript->fileRequests[2].bSave);
    EXPECT_EQ(m_pScript->fileRequests[3].strFileName, Path("walk.json"));
    EXPECT_EQ(m_pDlg->windowTitle(), "Spritewright | 1.02 - [Untitled*]");
    EXPECT_EQ(Items(Find<QComboBox>("m_cboDirection")), QStringList({"00", "01"}));
    EXPECT_EQ(Items(Find<QListWidget>("m_lstFrame")), QStringList({"0000", "0001", "0002"}));
    CDC6File original;
    ASSERT_TRUE(original.LoadDC6(walk.toStdString()));
    for (int i = 0; i < 6; ++i) {
        DC6Frame a, b;
        original.GetDC6Frame(i, a);
        m_pDlg->Document().GetDC6Frame(i, b);
        EXPECT_EQ(b.m_DC6FrameHeader.m_iWidth, a.m_DC6FrameHeader.m_iWidth) << i;
        EXPECT_EQ(b.m_DC6FrameHeader.m_iOffsetX, a.m_DC6FrameHeader.m_iOffsetX) << i;
        EXPECT_EQ(b.m_ImageData, a.m_ImageData) << i;
    }
}

TEST_F(SheetCommandsTest, AFaultyAtlasIsReportedAndTheLogoStays)
{
    Start();
    const std::string text = R"({"frames": [], "meta": {"size": {"w": 4, "h": 4}}})";
    WriteFile(m_Dir.Path() / "broken.json", Bytes(text.begin(), text.end()));
    m_pScript->files = {Path("logo.png"), Path("broken.json")};
    m_pScript->answers = {Answer::Ok};
    Click("m_btnImportSheet");
    ASSERT_EQ(m_pScript->asked.size(), 1u) << "no question while only the logo is shown";
    EXPECT_EQ(m_pScript->asked[0].text,
              Path("broken.json") + ": The atlas's \"meta\": the key \"directions\" is missing");
    EXPECT_EQ(m_pScript->asked[0].caption, "Error");
    EXPECT_EQ(m_pDlg->DocLoaded(), 0);
    EXPECT_EQ(m_pDlg->windowTitle(), "Spritewright | 1.02");
    EXPECT_EQ(m_pDlg->Document().GetFrameListLength(), 1) << "the logo";
}
