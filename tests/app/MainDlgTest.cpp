// The main window driven through its widgets, with every question answered
// by a script.

#include "MainDlgFixture.h"

#include <QAction>
#include <QApplication>

#include <sys/stat.h>

using MainDlgTest = MainDlgFixture;

TEST_F(MainDlgTest, StartsWithTheLogoAndTheCataloguesFirstPalette)
{
    Start();
    EXPECT_EQ(m_pDlg->windowTitle(), "Spritewright | 1.02");
    EXPECT_EQ(m_pDlg->DocLoaded(), 0);
    EXPECT_EQ(m_pDlg->Untitled(), 0);
    EXPECT_EQ(m_pDlg->Saved(), 1);
    EXPECT_EQ(EnabledButtons(), kAlwaysEnabled);
    EXPECT_EQ(InfoFields(), QStringList({"", "", "", ""}));

    // Sorted without regard to case; the first line is the palette in use.
    auto* palettes = Find<QComboBox>("m_cboPalette");
    EXPECT_EQ(Items(palettes), QStringList({"act1", "act2", "units"}));
    EXPECT_EQ(palettes->currentText(), "act2");
    const RGBQUAD entry = m_pDlg->CurrentPalette()[9];
    EXPECT_EQ(entry.rgbRed, 9);
    EXPECT_EQ(entry.rgbGreen, 20);
    EXPECT_EQ(entry.rgbBlue, 21);
    EXPECT_EQ(entry.rgbReserved, 1);

    const QImage logo = ShownPicture();
    ASSERT_EQ(logo.size(), QSize(4, 3));
    EXPECT_EQ(logo.pixel(1, 1), qRgb(5, 20, 21));
    EXPECT_EQ(logo.pixel(0, 0), qRgb(0, 20, 21)) << "index 0 in its colour";
    EXPECT_TRUE(m_pScript->asked.empty());
}

TEST_F(MainDlgTest, AMissingCatalogueIsReportedAndStartUpGoesOn)
{
    std::filesystem::remove(m_Dir.Path() / "data" / "pal" / "palettes.ini");
    auto script = std::make_unique<CScriptedInteraction>();
    script->answers = {Answer::Ok};
    m_pScript = script.get();
    m_pDlg = std::make_unique<CMainDlg>(m_Dir.Path(), std::move(script));
    m_pDlg->OnInitDialog();

    ASSERT_EQ(m_pScript->asked.size(), 1u);
    EXPECT_EQ(m_pScript->asked[0].text, "data\\pal\\palettes.ini, Not Found");
    EXPECT_EQ(m_pScript->asked[0].caption, "Error");
    EXPECT_EQ(m_pScript->asked[0].icon, Icon::Error);
    EXPECT_EQ(Find<QComboBox>("m_cboPalette")->count(), 0);
    // A grey ramp stands in for the palette; the logo is still shown.
    EXPECT_EQ(ShownPicture().pixel(1, 1), qRgb(5, 5, 5));
}

TEST_F(MainDlgTest, OneArgumentOpensThatFileAtStart)
{
    const QString knight = WriteSprite("knight.dc6", 2, 3);
    Start(knight);
    EXPECT_EQ(m_pDlg->windowTitle(), "Spritewright | 1.02 - [knight.dc6]");
    EXPECT_EQ(Items(Find<QComboBox>("m_cboDirection")), QStringList({"00", "01"}));
    EXPECT_EQ(Items(Find<QListWidget>("m_lstFrame")), QStringList({"0000", "0001", "0002"}));
    EXPECT_EQ(Find<QComboBox>("m_cboDirection")->currentIndex(), 0);
    EXPECT_EQ(Find<QListWidget>("m_lstFrame")->currentRow(), 0);
    EXPECT_EQ(InfoFields(), QStringList({"1", "2", "0", "0"}));
    EXPECT_EQ(ShownPicture().size(), QSize(1, 2));
}

TEST_F(MainDlgTest, OpenFillsTheListsAndSelectingShowsFrames)
{
    const QString path = WriteSprite("walk.dc6", 8, 16);
    Start();
    m_pScript->files = {path};
    Click("m_btnOpen");

    ASSERT_EQ(m_pScript->fileRequests.size(), 1u);
    const auto& request = m_pScript->fileRequests[0];
    EXPECT_FALSE(request.bSave);
    EXPECT_EQ(request.filters, QStringList({"Diablo DC6 Image (*.dc6)", "All files (*.*)"}));
    EXPECT_EQ(request.nFilterIndex, 0);
    EXPECT_EQ(request.strDefaultSuffix, "dc6");

    auto* directions = Find<QComboBox>("m_cboDirection");
    auto* frames = Find<QListWidget>("m_lstFrame");
    EXPECT_EQ(directions->count(), 8);
    EXPECT_EQ(directions->itemText(7), "07");
    EXPECT_EQ(frames->count(), 16);
    EXPECT_EQ(frames->item(15)->text(), "0015");
    EXPECT_EQ(m_pDlg->windowTitle(), "Spritewright | 1.02 - [walk.dc6]");

    directions->setCurrentIndex(3);
    frames->setCurrentRow(5);
    EXPECT_EQ(m_pDlg->SelectedFrameIndex(), 3 * 16 + 5);
    EXPECT_EQ(InfoFields(), QStringList({"54", "2", "-53", "0"}));
    EXPECT_EQ(m_pDlg->Saved(), 1) << "browsing changes nothing";
}

TEST_F(MainDlgTest, AFailedOpenReportsTheErrorAndGoesBackToTheLogo)
{
    const QString good = WriteSprite("good.dc6", 1, 2);
    WriteFile(m_Dir.Path() / "notes.dc6", Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
    Start(good);
    m_pScript->files = {QString::fromStdString((m_Dir.Path() / "notes.dc6").string())};
    m_pScript->answers = {Answer::Ok};
    Click("m_btnOpen");

    ASSERT_EQ(m_pScript->asked.size(), 1u);
    EXPECT_EQ(m_pScript->asked[0].text,
              "Error: Fileformat not DC6\n"
              "The header's version field (bytes 0 to 3) holds 1819043176; a DC6 file holds 6 "
              "there\n"
              "The header's flags field (bytes 4 to 7) holds 2671; a DC6 file holds 1 there");
    EXPECT_EQ(m_pScript->asked[0].caption, "Error");
    EXPECT_EQ(m_pScript->asked[0].buttons, Buttons::Ok);
    EXPECT_EQ(m_pScript->asked[0].icon, Icon::None);
    EXPECT_EQ(Find<QComboBox>("m_cboDirection")->count(), 0);
    EXPECT_EQ(Find<QListWidget>("m_lstFrame")->count(), 0);
    EXPECT_EQ(m_pDlg->DocLoaded(), 0);
    EXPECT_EQ(m_pDlg->Saved(), 1);
    EXPECT_EQ(m_pDlg->windowTitle(), "Spritewright | 1.02");
    EXPECT_EQ(EnabledButtons(), kAlwaysEnabled) << "nothing can save the half-read file";
    EXPECT_EQ(ShownPicture().size(), QSize(4, 3)) << "the logo again";
}

TEST_F(MainDlgTest, AFileOfAnotherWriterIsRefusedWithTheWayToRepairIt)
{
    Start();
    const auto path = testutil::DataDir() / "dc6" / "small.dc6";
    m_pScript->files = {QString::fromStdString(path.string())};
    m_pScript->answers = {Answer::Ok};
    Click("m_btnOpen");
    ASSERT_EQ(m_pScript->asked.size(), 1u);
    EXPECT_EQ(m_pScript->asked[0].text,
              QString::fromStdString(
                  "Error: Fileformat not DC6\n"
                  "The header's flags field (bytes 4 to 7) holds 0; a DC6 file holds 1 there\n\n"
                  "Only the header's flags field is out of place. A conforming copy can be "
                  "written with:\nspritewright-cli repair \"" +
                  path.string() + "\" -o \"" +
                  (path.parent_path() / "small-repaired.dc6").string() + "\""));
    EXPECT_EQ(m_pDlg->DocLoaded(), 0);
}

TEST_F(MainDlgTest, ButtonsFollowTheDocumentsShape)
{
    const std::set<std::string> documentButtons = {
        "m_btnChangeOffset", "m_btnImport",       "m_btnExport",          "m_btnExportAll",
        "m_btnShowFrames",   "m_btnAddDirection", "m_btnInsertDirection", "m_btnAddFrame",
        "m_btnInsertFrame",  "m_btnSave",         "m_btnSaveAs",          "m_btnClose",
        "m_btnExportSheet"};
    std::set<std::string> expected = kAlwaysEnabled;
    expected.insert(documentButtons.begin(), documentButtons.end());

    Start(WriteSprite("one.dc6", 1, 1));
    EXPECT_EQ(EnabledButtons(), expected);

    m_pScript->files = {WriteSprite("wide.dc6", 1, 2)};
    Click("m_btnOpen");
    expected.insert("m_btnDeleteFrame");
    EXPECT_EQ(EnabledButtons(), expected);

    m_pScript->files = {WriteSprite("tall.dc6", 3, 1)};
    Click("m_btnOpen");
    expected.erase("m_btnDeleteFrame");
    expected.insert("m_btnDeleteDirection");
    EXPECT_EQ(EnabledButtons(), expected);

    Click("m_btnClose");
    EXPECT_EQ(EnabledButtons(), kAlwaysEnabled);
    EXPECT_EQ(InfoFields(), QStringList({"", "", "", ""}));
    EXPECT_EQ(ShownPicture().size(), QSize(4, 3));
}

TEST_F(MainDlgTest, NewSaveAsAndSaveFollowTheTitle)
{
    Start();
    Click("m_btnNew");
    EXPECT_EQ(m_pDlg->windowTitle(), "Spritewright | 1.02 - [Untitled*]");
    EXPECT_EQ(Items(Find<QComboBox>("m_cboDirection")), QStringList({"00"}));
    EXPECT_EQ(Items(Find<QListWidget>("m_lstFrame")), QStringList({"0000"}));
    EXPECT_EQ(InfoFields(), QStringList({"10", "10", "0", "0"}));

    // Save of an untitled sprite asks for a name.
    const auto knight = m_Dir.Path() / "knight.dc6";
    m_pScript->files = {QString::fromStdString(knight.string())};
    Click("m_btnSave");
    ASSERT_EQ(m_pScript->fileRequests.size(), 1u);
    EXPECT_TRUE(m_pScript->fileRequests[0].bSave);
    EXPECT_EQ(m_pScript->fileRequests[0].strDefaultSuffix, "dc6");
    EXPECT_EQ(m_pDlg->windowTitle(), "Spritewright | 1.02 - [knight.dc6]");
    EXPECT_EQ(testutil::ReadFile(knight).size(), 73u);

    m_pDlg->SetSaved(0);
    EXPECT_EQ(m_pDlg->windowTitle(), "Spritewright | 1.02 - [knight.dc6 *]");
    std::filesystem::remove(knight);
    Click("m_btnSave");
    EXPECT_EQ(m_pScript->fileRequests.size(), 1u) << "a titled sprite saves without asking";
    EXPECT_EQ(m_pDlg->windowTitle(), "Spritewright | 1.02 - [knight.dc6]");
    EXPECT_TRUE(std::filesystem::exists(knight));

    // A file that cannot be written is reported and the sprite stays unsaved.
    m_pScript->files = {QString::fromStdString((m_Dir.Path() / "gone" / "x.dc6").string())};
    m_pScript->answers = {Answer::Ok};
    m_pDlg->SetSaved(0);
    Click("m_btnSaveAs");
    ASSERT_EQ(m_pScript->asked.size(), 1u);
    EXPECT_EQ(m_pScript->asked[0].text,
              "Error: File Could Not Be Created (No such file or directory)");
    EXPECT_EQ(m_pScript->asked[0].icon, Icon::Error);
    EXPECT_EQ(m_pDlg->Saved(), 0);

    // So is a file that nobody may write, which stays as it is.
    const auto fixed = m_Dir.Path() / "fixed.dc6";
    testutil::WriteFile(fixed, {1, 2, 3});
    ::chmod(fixed.c_str(), 0444);
    m_pScript->files = {QString::fromStdString(fixed.string())};
    m_pScript->answers = {Answer::Ok};
    Click("m_btnSaveAs");
    ASSERT_EQ(m_pScript->asked.size(), 2u);
    EXPECT_EQ(m_pScript->asked[1].text, "Error: File Could Not Be Created (Permission denied)");
    EXPECT_EQ(testutil::ReadFile(fixed), (testutil::Bytes{1, 2, 3}));
    EXPECT_EQ(m_pDlg->Saved(), 0);
}

TEST_F(MainDlgTest, UnsavedChangesAreAskedAbout)
{
    Start();
    Click("m_btnNew");

    // Cancel keeps everything; the question is the same for every command.
    m_pScript->answers = {Answer::Cancel};
    Click("m_btnClose");
    ASSERT_EQ(m_pScript->asked.size(), 1u);
    EXPECT_EQ(m_pScript->asked[0].text,
              "Changes Not Saved!!.\nDo You want to save before quitting?");
    EXPECT_EQ(m_pScript->asked[0].caption, "Not Saved");
    EXPECT_EQ(m_pScript->asked[0].buttons, Buttons::YesNoCancel);
    EXPECT_EQ(m_pScript->asked[0].icon, Icon::Exclamation);
    EXPECT_EQ(m_pDlg->DocLoaded(), 1);

    // Yes, then Cancel in the Save As dialog: the command does not go on.
    m_pScript->answers = {Answer::Yes, Answer::Ok};
    m_pScript->files = {QString()};
    Click("m_btnOpen");
    ASSERT_EQ(m_pScript->asked.size(), 3u);
    EXPECT_EQ(m_pScript->asked[2].text, "Data still not saved!!! Returning to program");
    EXPECT_EQ(m_pScript->asked[2].caption, "Error");
    EXPECT_EQ(m_pScript->asked[2].icon, Icon::Error);
    EXPECT_EQ(m_pScript->fileRequests.size(), 1u) << "no Open dialog after the failed save";
    EXPECT_EQ(m_pDlg->windowTitle(), "Spritewright | 1.02 - [Untitled*]");

    // Yes with a name saves, then the command goes on.
    const auto saved = m_Dir.Path() / "saved.dc6";
    m_pScript->answers = {Answer::Yes};
    m_pScript->files = {QString::fromStdString(saved.string())};
    Click("m_btnNew");
    EXPECT_TRUE(std::filesystem::exists(saved));
    EXPECT_EQ(m_pDlg->windowTitle(), "Spritewright | 1.02 - [Untitled*]");

    // No discards the changes.
    m_pScript->answers = {Answer::No};
    Click("m_btnClose");
    EXPECT_EQ(m_pDlg->DocLoaded(), 0);
    EXPECT_EQ(m_pScript->asked.size(), 5u);

    // Nothing to save: nothing asked.
    Click("m_btnNew");
    EXPECT_EQ(m_pScript->asked.size(), 5u);
}

TEST_F(MainDlgTest, ExitAndTheCloseBoxAskFirst)
{
    Start();
    m_pDlg->show();
    Click("m_btnNew");
    m_pScript->answers = {Answer::Cancel, Answer::Cancel};
    Click("m_btnExit");
    m_pDlg->close();
    EXPECT_EQ(m_pScript->asked.size(), 2u);
    EXPECT_TRUE(m_pDlg->isVisible());

    m_pScript->answers = {Answer::No};
    m_pDlg->close();
    EXPECT_FALSE(m_pDlg->isVisible());
}

TEST_F(MainDlgTest, AboutOpensFromItsKeyAndTheContextMenu)
{
    Start();
    QString caption;
    m_pScript->dialogs = {[&](QDialog& dialog) {
        caption = dialog.windowTitle();
        return int{QDialog::Accepted};
    }};
    const auto actions = m_pDlg->actions();
    ASSERT_EQ(actions.size(), 1);
    EXPECT_EQ(actions[0]->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(actions[0]->text(), "关于 Spritewright...");
    EXPECT_EQ(m_pDlg->contextMenuPolicy(), Qt::ActionsContextMenu);
    actions[0]->trigger();
    EXPECT_EQ(caption, "关于 Spritewright");
}

TEST_F(MainDlgTest, FramesShowBottomRowLastThroughTheCurrentPalette)
{
    CDC6File doc;
    doc.NewDC6(2, 1);
    doc.ResizeFrame(1, 5, 2);
    const uint8_t rows[2][5] = {{0, 0, 7, 7, 0}, {3, 0, 0, 0, 0}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x)
            doc.SetFramePixel(1, x, y, rows[y][x]);
    doc.SetFrameOffsetX(1, -12);
    doc.SetFrameOffsetY(1, 30);
    const auto path = m_Dir.Path() / "example.dc6";
    ASSERT_TRUE(doc.SaveDC6(path));

    Start(QString::fromStdString(path.string()));
    Find<QComboBox>("m_cboDirection")->setCurrentIndex(1);
    const QImage shown = ShownPicture();
    ASSERT_EQ(shown.size(), QSize(5, 2));
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(shown.pixel(x, 0), qRgb(rows[1][x], 20, 21)) << "top row, column " << x;
        EXPECT_EQ(shown.pixel(x, 1), qRgb(rows[0][x], 20, 21)) << "bottom row, column " << x;
    }
    EXPECT_EQ(InfoFields(), QStringList({"5", "2", "-12", "30"}));

    // Another palette redraws the selected frame; the fields stay.
    auto* palettes = Find<QComboBox>("m_cboPalette");
    palettes->setCurrentIndex(palettes->findText("units"));
    emit palettes->activated(palettes->currentIndex());
    EXPECT_EQ(ShownPicture().pixel(2, 1), qRgb(7, 30, 31));
    EXPECT_EQ(InfoFields(), QStringList({"5", "2", "-12", "30"}));

    // A palette whose file is missing changes nothing.
    std::filesystem::remove(m_Dir.Path() / "data" / "pal" / "act1.pal");
    palettes->setCurrentIndex(palettes->findText("act1"));
    emit palettes->activated(palettes->currentIndex());
    EXPECT_EQ(ShownPicture().pixel(2, 1), qRgb(7, 30, 31));

    // An index that names no frame leaves the preview as it was.
    m_pDlg->ShowFrame(2);
    m_pDlg->ShowFrame(-1);
    EXPECT_EQ(ShownPicture().size(), QSize(5, 2));
}

TEST_F(MainDlgTest, PaletteChangesLeaveTheLogoAlone)
{
    Start();
    auto* palettes = Find<QComboBox>("m_cboPalette");
    palettes->setCurrentIndex(palettes->findText("units"));
    emit palettes->activated(palettes->currentIndex());
    EXPECT_EQ(ShownPicture().pixel(1, 1), qRgb(5, 20, 21));
    EXPECT_EQ(m_pDlg->CurrentPalette()[5].rgbGreen, 30) << "the next display uses it";
}
