// Export all frames and build from a description, through the window.

#include "ExportOptionsDlg.h"
#include "MainDlgFixture.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QSpinBox>

namespace {

class IniCommandsTest : public MainDlgFixture {
protected:
    void OpenWalk()
    {
        CDC6File doc;
        doc.NewDC6(2, 3);
        doc.ResizeFrame(4, 5, 4);
        doc.SetFramePixel(4, 1, 1, 9);
        doc.SetFrameOffsetX(4, -3);
        ASSERT_TRUE(doc.SaveDC6(m_Dir.Path() / "walk.dc6"));
        Start(QString::fromStdString((m_Dir.Path() / "walk.dc6").string()));
    }

    // Chooses `format` (a radio button's object name), the animation box
    // and the animation's frames a second.
    static std::function<int(QDialog&)> ChooseFormat(const char* format, bool animation,
                                                     int framesPerSecond = 25)
    {
        return [format, animation, framesPerSecond](QDialog& dialog) {
            dialog.findChild<QRadioButton*>(format)->click();
            auto* box = dialog.findChild<QCheckBox*>("m_chkAnimation");
            if (box->isEnabled())
                box->setChecked(animation);
            dialog.findChild<QSpinBox*>("m_edtFramesPerSecond")->setValue(framesPerSecond);
            dialog.accept();
            return dialog.result();
        };
    }
};

} // namespace

TEST_F(IniCommandsTest, OptionsOfferAnimationForGifOnly)
{
    CExportOptionsDlg options;
    EXPECT_EQ(options.windowTitle(), "导出所有帧选项");
    auto* animation = options.findChild<QCheckBox*>("m_chkAnimation");
    auto* rate = options.findChild<QSpinBox*>("m_edtFramesPerSecond");
    EXPECT_TRUE(options.findChild<QRadioButton*>("m_radBMP")->isChecked());
    EXPECT_FALSE(animation->isEnabled());
    EXPECT_FALSE(animation->isChecked());
    EXPECT_EQ(rate->value(), 25) << "the game's rate";
    EXPECT_EQ(rate->minimum(), 1);
    EXPECT_EQ(rate->maximum(), 100);
    EXPECT_FALSE(rate->isEnabled());
    options.findChild<QRadioButton*>("m_radGIF")->click();
    EXPECT_TRUE(animation->isEnabled());
    EXPECT_FALSE(rate->isEnabled()) << "only an animation has a rate";
    animation->setChecked(true);
    EXPECT_TRUE(rate->isEnabled());
    rate->setValue(12);
    options.findChild<QRadioButton*>("m_radPCX")->click();
    EXPECT_FALSE(animation->isEnabled());
    EXPECT_TRUE(animation->isChecked());
    EXPECT_FALSE(rate->isEnabled());
    options.findChild<QRadioButton*>("m_radPNG")->click();
    options.accept();
    EXPECT_EQ(options.Extension(), "png");
    EXPECT_EQ(options.m_nFramesPerSecond, 12);
}

TEST_F(IniCommandsTest, ExportAllWritesTheFolderAndBuildReadsItBack)
{
    OpenWalk();
    const auto out = m_Dir.Path() / "out";
    std::filesystem::create_directory(out);
    m_pScript->dialogs = {ChooseFormat("m_radGIF", true, 10)};
    m_pScript->files = {QString::fromStdString(out.string())};
    Click("m_btnExportAll");
    ASSERT_EQ(m_pScript->fileRequests.size(), 1u);
    EXPECT_TRUE(m_pScript->fileRequests[0].bFolder);
    EXPECT_EQ(m_pScript->fileRequests[0].strCaption, "Select Directory To Export To");
    EXPECT_EQ(testutil::GifDelays(out / "walk_gif" / "01.gif"), std::vector<int>(3, 10));
    EXPECT_EQ(m_pDlg->Saved(), 1);

    // The same again: the folder exists.
    m_pScript->dialogs = {ChooseFormat("m_radGIF", true)};
    m_pScript->files = {QString::fromStdString(out.string())};
    m_pScript->answers = {Answer::Ok};
    Click("m_btnExportAll");
    ASSERT_EQ(m_pScript->asked.size(), 1u);
    EXPECT_EQ(m_pScript->asked[0].text, QString::fromStdString("Unable to Create Directory!!\n[" +
                                                               (out / "walk_gif").string() + "]"));
    EXPECT_EQ(m_pScript->asked[0].caption, "Error");

    // Building asks before the open sprite is closed.
    m_pScript->answers = {Answer::No};
    Click("m_btnBuildFromIni");
    EXPECT_EQ(m_pScript->asked.size(), 2u);
    EXPECT_EQ(m_pScript->asked[1].text, "This will close currently open DC6!! Continue?");
    EXPECT_EQ(m_pScript->asked[1].caption, "Attention");
    EXPECT_EQ(m_pScript->asked[1].icon, Icon::Question);
    EXPECT_EQ(m_pDlg->windowTitle(), "Spritewright | 1.02 - [walk.dc6]");

    m_pScript->answers = {Answer::Yes};
    m_pScript->files = {QString::fromStdString((out / "walk_gif" / "walk_gif.ini").string())};
    Click("m_btnBuildFromIni");
    EXPECT_EQ(m_pScript->fileRequests.back().filters,
              QStringList({"Spritewright Ini File (*.ini)"}));
    EXPECT_EQ(m_pDlg->windowTitle(), "Spritewright | 1.02 - [Untitled*]");
    EXPECT_EQ(Items(Find<QComboBox>("m_cboDirection")), QStringList({"00", "01"}));
    EXPECT_EQ(Items(Find<QListWidget>("m_lstFrame")), QStringList({"0000", "0001", "0002"}));
    EXPECT_EQ(Find<QListWidget>("m_lstFrame")->currentRow(), 0);
    DC6Frame frame;
    ASSERT_TRUE(m_pDlg->Document().GetDC6Frame(4, frame));
    EXPECT_EQ(frame.m_DC6FrameHeader.m_iWidth, 5);
    EXPECT_EQ(frame.m_DC6FrameHeader.m_iOffsetX, -3);
    EXPECT_EQ(frame.m_ImageData[6], 9);
}

TEST_F(IniCommandsTest, AFailedBuildGoesBackToTheLogo)
{
    Start();
    const auto description = m_Dir.Path() / "broken.ini";
    const std::string text = "[Main]\nDirections=1\nFramesDir=2\n";
    WriteFile(description, Bytes(text.begin(), text.end()));
    m_pScript->files = {QString::fromStdString(description.string())};
    m_pScript->answers = {Answer::Ok};
    Click("m_btnBuildFromIni");
    ASSERT_EQ(m_pScript->asked.size(), 1u) << "no question while only the logo is shown";
    EXPECT_EQ(m_pScript->asked[0].text, "Section [00:0000] error!\nThe key 'Width' is missing");
    EXPECT_EQ(m_pScript->asked[0].icon, Icon::Error);
    EXPECT_EQ(m_pDlg->DocLoaded(), 0);
    EXPECT_EQ(m_pDlg->Saved(), 1);
    EXPECT_EQ(m_pDlg->windowTitle(), "Spritewright | 1.02");
    EXPECT_EQ(ShownPicture().size(), QSize(4, 3));
    EXPECT_EQ(Find<QComboBox>("m_cboDirection")->count(), 0);
}
