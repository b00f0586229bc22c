// The image commands through the window's buttons.

#include "Image.h"
#include "MainDlgFixture.h"
#include "SheetDlg.h"

#include <QCheckBox>
#include <QSpinBox>

namespace {

class ImageCommandsTest : public MainDlgFixture {
protected:
    // An 8-bit picture whose palette is the window's (act2), every pixel 9.
    std::filesystem::path Picture(int width, int height, const std::string& name)
    {
        CImage image;
        image.Create(width, height, 8, IMAGE_TYPE_BMP);
        image.SetPalette(m_pDlg->CurrentPalette().data(), 256);
        image.Clear(9);
        const auto path = m_Dir.Path() / name;
        EXPECT_TRUE(image.Save(path, IMAGE_TYPE_BMP)) << image.GetLastError();
        return path;
    }

    void StartWithSprite(int directions, int frames)
    {
        CDC6File doc;
        doc.NewDC6(directions, frames);
        doc.SaveDC6(m_Dir.Path() / "sprite.dc6");
        Start(QString::fromStdString((m_Dir.Path() / "sprite.dc6").string()));
    }
};

} // namespace

TEST_F(ImageCommandsTest, ImportWritesTheSelectedFrame)
{
    StartWithSprite(1, 2);
    Find<QListWidget>("m_lstFrame")->setCurrentRow(1);
    m_pScript->files = {QString::fromStdString(Picture(30, 20, "small.bmp").string())};
    Click("m_btnImport");

    ASSERT_EQ(m_pScript->fileRequests.size(), 1u);
    const auto& request = m_pScript->fileRequests[0];
    EXPECT_EQ(request.strCaption, "Import Image");
    EXPECT_EQ(request.strDefaultSuffix, "bmp");
    EXPECT_EQ(request.filters.size(), 8);
    EXPECT_EQ(request.filters.back(), "PNG Format (*.png)");
    EXPECT_EQ(InfoFields(), QStringList({"30", "20", "0", "0"}));
    EXPECT_EQ(ShownPicture().pixel(0, 0), qRgb(9, 20, 21));
    EXPECT_EQ(m_pDlg->Saved(), 0);
}

TEST_F(ImageCommandsTest, OversizedPicturesAskBeforeTheyAreCut)
{
    StartWithSprite(1, 1);
    m_pScript->files = {QString::fromStdString(Picture(300, 10, "wide.bmp").string())};
    m_pScript->answers = {Answer::Yes};
    Click("m_btnImport");
    ASSERT_EQ(m_pScript->asked.size(), 1u);
    EXPECT_EQ(m_pScript->asked[0].text,
              "The Image you want to import is larger than allowed for a DC6 frame,\nDo You want "
              "to split the image into frames after the selceted one?");
    EXPECT_EQ(m_pScript->asked[0].caption, "Info");
    EXPECT_EQ(m_pScript->asked[0].buttons, Buttons::YesNo);
    EXPECT_EQ(m_pScript->asked[0].icon, Icon::Information);
    EXPECT_EQ(Items(Find<QListWidget>("m_lstFrame")), QStringList({"0000", "0001"}));
    EXPECT_EQ(Find<QListWidget>("m_lstFrame")->currentRow(), 0);
    EXPECT_EQ(InfoFields()[0], "256");
    EXPECT_TRUE(Find<QPushButton>("m_btnDeleteFrame")->isEnabled());
}

TEST_F(ImageCommandsTest, ImportFailuresAreReported)
{
    StartWithSprite(2, 1);
    m_pScript->files = {QString::fromStdString(Picture(300, 10, "wide.bmp").string())};
    m_pScript->answers = {Answer::Ok};
    Click("m_btnImport");
    ASSERT_EQ(m_pScript->asked.size(), 1u);
    EXPECT_EQ(m_pScript->asked[0].text, "Image to large for multidirectional image");
    EXPECT_EQ(m_pScript->asked[0].caption, "Error");
    EXPECT_EQ(m_pScript->asked[0].icon, Icon::Error);

    const auto bad = m_Dir.Path() / "bad.jpeg";
    WriteFile(bad, Bytes{1, 2, 3});
    m_pScript->files = {QString::fromStdString(bad.string())};
    m_pScript->answers = {Answer::Ok};
    Click("m_btnImport");
    ASSERT_EQ(m_pScript->asked.size(), 2u);
    EXPECT_EQ(m_pScript->asked[1].text,
              QString::fromStdString("Error when openening " + bad.string()));
    EXPECT_EQ(m_pDlg->Saved(), 1);

    // Cancel in the file dialog changes nothing.
    m_pScript->files = {QString()};
    Click("m_btnImport");
    EXPECT_EQ(m_pScript->asked.size(), 2u);
    EXPECT_EQ(m_pDlg->Saved(), 1);
}

TEST_F(ImageCommandsTest, ExportWritesTheSelectedFrameAndSharesTheFilterPosition)
{
    StartWithSprite(1, 1);
    const auto out = m_Dir.Path() / "frame.gif";
    m_pScript->files = {QString::fromStdString(out.string())};
    Click("m_btnExport");
    ASSERT_EQ(m_pScript->fileRequests.size(), 1u);
    EXPECT_EQ(m_pScript->fileRequests[0].strCaption, "Export Frame");
    EXPECT_TRUE(m_pScript->fileRequests[0].bSave);
    EXPECT_EQ(m_pScript->fileRequests[0].filters.back(), "PNG Format (*.png)");
    CImage back;
    ASSERT_TRUE(back.Load(out, IMAGE_TYPE_GIF)) << back.GetLastError();
    EXPECT_EQ(back.GetWidth(), 10);
    EXPECT_EQ(back.GetPalette()[7].rgbRed, 7);
    EXPECT_EQ(back.GetPalette()[7].rgbGreen, 20) << "the window's palette";
    EXPECT_EQ(m_pDlg->Saved(), 1) << "exporting changes nothing";

    // A file that cannot be written is reported with the reason.
    m_pScript->files = {QString::fromStdString((m_Dir.Path() / "gone" / "f.bmp").string())};
    m_pScript->answers = {Answer::Ok};
    Click("m_btnExport");
    ASSERT_EQ(m_pScript->asked.size(), 1u);
    EXPECT_EQ(m_pScript->asked[0].text,
              QString::fromStdString("Could not save " +
                                     (m_Dir.Path() / "gone" / "f.bmp").string() +
                                     " (No such file or directory)"));
    EXPECT_EQ(m_pScript->asked[0].caption, "Error");
    EXPECT_EQ(m_pScript->asked[0].icon, Icon::Error);
}

TEST_F(ImageCommandsTest, ShowFramesComposesShowsAndSavesOnce)
{
    CDC6File doc;
    doc.NewDC6(1, 4);
    for (int i = 0; i < 4; ++i) {
        doc.ResizeFrame(i, 256, i < 2 ? 256 : 40);
        doc.SetFramePixel(i, 0, i < 2 ? 255 : 39, static_cast<uint8_t>(30 + i));
    }
    doc.SaveDC6(m_Dir.Path() / "sheet.dc6");
    Start(QString::fromStdString((m_Dir.Path() / "sheet.dc6").string()));

    const auto saved = m_Dir.Path() / "sheet.png";
    QString optionsCaption, sheetCaption;
    QImage shown;
    m_pScript->files = {QString::fromStdString(saved.string())};
    m_pScript->dialogs = {[&](QDialog& dialog) {
                              optionsCaption = dialog.windowTitle();
                              EXPECT_EQ(dialog.findChild<QSpinBox*>("m_edtAcross")->value(), 2);
                              EXPECT_EQ(dialog.findChild<QSpinBox*>("m_edtDown")->value(), 2);
                              EXPECT_EQ(dialog.findChild<QSpinBox*>("m_edtAcross")->maximum(), 10);
                              EXPECT_EQ(dialog.findChild<QSpinBox*>("m_edtStart")->maximum(), 3);
                              dialog.findChild<QCheckBox*>("m_chkSave")->setChecked(true);
                              dialog.accept();
                              return dialog.result();
                          },
                          [&](QDialog& dialog) {
                              sheetCaption = dialog.windowTitle();
                              shown = static_cast<CSheetDlg&>(dialog).Picture();
                              dialog.show();
                              dialog.hide();
                              dialog.show();
                              dialog.accept();
                              return dialog.result();
                          }};
    Click("m_btnShowFrames");
    EXPECT_EQ(optionsCaption, "全图显示帧数");
    EXPECT_EQ(sheetCaption, "图象");
    ASSERT_EQ(shown.size(), QSize(512, 296));
    EXPECT_EQ(shown.pixelIndex(0, 0), 30);
    EXPECT_EQ(shown.pixelIndex(256, 0), 31);
    EXPECT_EQ(shown.pixelIndex(0, 256), 32);
    ASSERT_EQ(m_pScript->fileRequests.size(), 1u) << "saved once, when first shown";
    EXPECT_EQ(m_pScript->fileRequests[0].strCaption, "Save Framed Image");
    EXPECT_EQ(m_pScript->fileRequests[0].nFilterIndex, 0);
    CImage back;
    ASSERT_TRUE(back.Load(saved, IMAGE_TYPE_PNG));
    EXPECT_EQ(back.GetHeight(), 296);

    // Too few frames: nothing shown, nothing said.
    m_pScript->dialogs = {[](QDialog& dialog) {
        dialog.findChild<QSpinBox*>("m_edtStart")->setValue(1);
        dialog.accept();
        return dialog.result();
    }};
    Click("m_btnShowFrames");
    EXPECT_EQ(m_pScript->dialogsRun, 3);
    EXPECT_TRUE(m_pScript->asked.empty());
}

TEST_F(ImageCommandsTest, ShowFramesRefusesSmallFirstFrames)
{
    StartWithSprite(1, 4);
    m_pScript->dialogs = {[](QDialog& dialog) {
        dialog.accept();
        return dialog.result();
    }};
    m_pScript->answers = {Answer::Ok};
    Click("m_btnShowFrames");
    ASSERT_EQ(m_pScript->asked.size(), 1u);
    EXPECT_EQ(m_pScript->asked[0].text, "DC6 Not a full sized image");
    EXPECT_EQ(m_pScript->asked[0].caption, "Info");
    EXPECT_EQ(m_pScript->asked[0].icon, Icon::Information);
}
