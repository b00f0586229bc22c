// The user's own palettes in the palette box, and the command that loads a
// palette file into them, driven through the window with scripted answers.

#include "MainDlgFixture.h"

namespace {

Bytes Text(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

// A 768-byte table whose entry i is (red, green, blue) = (i, g, b) in the
// Adobe order: red first.
Bytes ActBytes(uint8_t green, uint8_t blue)
{
    Bytes bytes;
    for (int i = 0; i < 256; ++i)
        bytes.insert(bytes.end(), {static_cast<uint8_t>(i), green, blue});
    return bytes;
}

class PaletteCommandsTest : public MainDlgFixture {
protected:
    QStringList Palettes() const { return Items(Find<QComboBox>("m_cboPalette")); }
    QString CurrentPalette() const { return Find<QComboBox>("m_cboPalette")->currentText(); }

    void Pick(const QString& name) const
    {
        auto* box = Find<QComboBox>("m_cboPalette");
        box->setCurrentIndex(box->findText(name));
        emit box->activated(box->currentIndex());
    }

    // Loads `file` through the load command; the answers go to its questions.
    void Load(const std::filesystem::path& file, std::initializer_list<Answer> answers = {})
    {
        m_pScript->asked.clear();
        m_pScript->files = {QString::fromStdString(file.string())};
        m_pScript->answers = answers;
        Click("m_btnLoadPalette");
        EXPECT_TRUE(m_pScript->answers.empty()) << "a scripted answer was not asked for";
    }

    // The colour the preview shows for index 0, and entry 9 of the palette.
    QRgb Shown() { return ShownPicture().pixel(0, 0); }
    QRgb Entry9() const
    {
        const RGBQUAD c = m_pDlg->CurrentPalette()[9];
        return qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
    }
};

} // namespace

TEST_F(PaletteCommandsTest, UserPalettesFollowTheCatalogueInTheirOwnFormats)
{
    std::filesystem::create_directories(UserPalettes() / "folder.pal");
    WriteFile(UserPalettes() / "Game.act", ActBytes(50, 51));
    WriteFile(UserPalettes() / "mine.gpl", Text("GIMP Palette\nName: mine\n1 2 3\n"));
    WriteFile(UserPalettes() / "broken.pal", Text("not a palette"));
    Start(WriteSprite("knight.dc6", 1, 1));

    EXPECT_EQ(Palettes(),
              QStringList({"act1", "act2", "units", "broken.pal", "Game.act", "mine.gpl"}));
    EXPECT_EQ(CurrentPalette(), "act2") << "the catalogue's first line, as before";

    Pick("Game.act");
    EXPECT_EQ(Entry9(), qRgb(9, 50, 51)) << "red first, as .act files are";
    EXPECT_EQ(Shown(), qRgb(0, 50, 51)) << "the frame is drawn again";
    Pick("mine.gpl");
    EXPECT_EQ(Shown(), qRgb(1, 2, 3));
    EXPECT_EQ(Entry9(), qRgb(0, 0, 0)) << "a short palette ends in black";

    // A user palette that cannot be read says why and changes nothing.
    m_pScript->answers = {Answer::Ok};
    Pick("broken.pal");
    ASSERT_EQ(m_pScript->asked.size(), 1u);
    EXPECT_EQ(m_pScript->asked[0].caption, "Error");
    EXPECT_TRUE(m_pScript->asked[0].text.startsWith(QString::fromStdString(
        "Cannot read the palette " + (UserPalettes() / "broken.pal").string())))
        << m_pScript->asked[0].text.toStdString();
    EXPECT_EQ(CurrentPalette(), "mine.gpl");
    EXPECT_EQ(Shown(), qRgb(1, 2, 3));

    Pick("units");
    EXPECT_EQ(Entry9(), qRgb(9, 30, 31));
}

TEST_F(PaletteCommandsTest, WithoutACatalogueTheUserPalettesAreListedAndNoneIsChosen)
{
    std::filesystem::remove(m_Dir.Path() / "data" / "pal" / "palettes.ini");
    std::filesystem::create_directories(UserPalettes());
    WriteFile(UserPalettes() / "Game.act", ActBytes(50, 51));
    auto script = std::make_unique<CScriptedInteraction>();
    script->answers = {Answer::Ok};
    m_pScript = script.get();
    m_pDlg = std::make_unique<CMainDlg>(m_Dir.Path(), std::move(script));
    m_pDlg->OnInitDialog();

    EXPECT_EQ(Palettes(), QStringList({"Game.act"}));
    EXPECT_EQ(Find<QComboBox>("m_cboPalette")->currentIndex(), -1);
    EXPECT_EQ(Entry9(), qRgb(9, 9, 9)) << "the grey ramp stays";
}

TEST_F(PaletteCommandsTest, LoadingCopiesThePaletteIntoTheUserFolderAndChoosesIt)
{
    const auto outside = m_Dir.Path() / "outside";
    std::filesystem::create_directories(outside / "other");
    const Bytes twoColours = Text("JASC-PAL\r\n0100\r\n2\r\n10 20 30\r\n40 50 60\r\n");
    WriteFile(outside / "Paint.pal", twoColours);
    Start(WriteSprite("knight.dc6", 1, 1));

    // A short palette is taken, and the window says it was short.
    Load(outside / "Paint.pal", {Answer::Ok});
    ASSERT_EQ(m_pScript->fileRequests.size(), 1u);
    const auto& request = m_pScript->fileRequests[0];
    EXPECT_FALSE(request.bSave);
    EXPECT_EQ(request.strCaption, "载入调色板");
    for (const char* pattern :
         {"*.pal", "*.act", "*.gpl", "*.dat", "*.png", "*.gif", "*.bmp", "*.pcx", "*.tif"})
        EXPECT_TRUE(request.filters.join(' ').contains(pattern)) << pattern;
    EXPECT_EQ(testutil::ReadFile(UserPalettes() / "Paint.pal"), twoColours);
    EXPECT_EQ(Palettes(), QStringList({"act1", "act2", "units", "Paint.pal"}));
    EXPECT_EQ(CurrentPalette(), "Paint.pal");
    EXPECT_EQ(Shown(), qRgb(10, 20, 30));
    ASSERT_EQ(m_pScript->asked.size(), 1u);
    EXPECT_EQ(m_pScript->asked[0].text, "Paint.pal has 2 colours; entries 2 to 255 are black");
    EXPECT_EQ(m_pScript->asked[0].caption, "Info");

    // Another file of the same name replaces it only when the user agrees.
    WriteFile(outside / "other" / "Paint.pal", PaletteBytes(70, 71));
    Load(outside / "other" / "Paint.pal", {Answer::No});
    ASSERT_EQ(m_pScript->asked.size(), 1u);
    EXPECT_EQ(m_pScript->asked[0].text.toStdString(), "A palette named Paint.pal is already in " +
                                                          UserPalettes().string() +
                                                          ".\nDo you want to replace it?");
    EXPECT_EQ(m_pScript->asked[0].caption, "Question");
    EXPECT_EQ(testutil::ReadFile(UserPalettes() / "Paint.pal"), twoColours);
    EXPECT_EQ(Shown(), qRgb(10, 20, 30));
    Load(outside / "other" / "Paint.pal", {Answer::Yes});
    EXPECT_EQ(testutil::ReadFile(UserPalettes() / "Paint.pal"), PaletteBytes(70, 71));
    EXPECT_EQ(Palettes(), QStringList({"act1", "act2", "units", "Paint.pal"}));
    EXPECT_EQ(Shown(), qRgb(0, 70, 71));

    // New palettes take their place among the user's; one picked from the
    // user folder itself is only chosen.
    Pick("act1");
    WriteFile(outside / "b.act", ActBytes(80, 81));
    Load(outside / "b.act");
    EXPECT_EQ(Palettes(), QStringList({"act1", "act2", "units", "b.act", "Paint.pal"}));
    EXPECT_EQ(CurrentPalette(), "b.act");
    EXPECT_EQ(Entry9(), qRgb(9, 80, 81));
    Load(UserPalettes() / "Paint.pal");
    EXPECT_TRUE(m_pScript->asked.empty());
    EXPECT_EQ(CurrentPalette(), "Paint.pal");
    EXPECT_EQ(Entry9(), qRgb(9, 70, 71));
}

TEST_F(PaletteCommandsTest, AFileThatIsNoPaletteShowsWhyAndChangesNothing)
{
    WriteFile(m_Dir.Path() / "notes.txt", Text("twelve bytes"));
    Start();
    const CPalette before = m_pDlg->CurrentPalette();

    Load(m_Dir.Path() / "notes.txt", {Answer::Ok});
    ASSERT_EQ(m_pScript->asked.size(), 1u);
    EXPECT_EQ(m_pScript->asked[0].caption, "Error");
    EXPECT_EQ(m_pScript->asked[0].text.toStdString(),
              "Cannot read the palette " + (m_Dir.Path() / "notes.txt").string() +
                  ": it has 12 bytes in no palette format known here (raw 768 bytes, Adobe .act, "
                  "JASC-PAL, GIMP .gpl, RIFF, or an indexed PNG, GIF, BMP, PCX or TIFF picture)");
    EXPECT_EQ(Palettes(), QStringList({"act1", "act2", "units"}));
    EXPECT_EQ(CurrentPalette(), "act2");
    EXPECT_EQ(std::memcmp(&before, &m_pDlg->CurrentPalette(), sizeof before), 0);
    EXPECT_FALSE(std::filesystem::exists(UserPalettes()));

    // Cancelling the file dialog does nothing either.
    Load("");
    EXPECT_TRUE(m_pScript->asked.empty());
    EXPECT_EQ(Palettes(), QStringList({"act1", "act2", "units"}));
}
