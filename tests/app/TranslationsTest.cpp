// The window's two languages: the choice of language, the command line, the
// English translation file against the sources, and the captions the window
// and its dialogs show in each language.

#include "AboutDlg.h"
#include "ChangeOffsetDlg.h"
#include "ExportOptionsDlg.h"
#include "ExportSheetDlg.h"
#include "Image.h"
#include "MainApp.h"
#include "MainDlgFixture.h"
#include "SheetDlg.h"
#include "Translations.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QSpinBox>
#include <QXmlStreamReader>

#include <functional>

namespace {

bool HasChinese(const QString& text)
{
    static const QRegularExpression kHan("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]");
    return text.contains(kHan);
}

// Every text of a window that is read as a caption, in a fixed order: its
// title, its actions, and each widget's tooltip and text, title, items or
// suffix.
QStringList Captions(const QWidget& window)
{
    QStringList texts{window.windowTitle()};
    for (const QAction* action : window.actions())
        texts.push_back(action->text());
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        texts.push_back(widget->toolTip());
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            texts.push_back(button->text());
        } else if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
            texts.push_back(group->title());
        } else if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            texts.push_back(label->text());
        } else if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
            for (int i = 0; i < combo->count(); ++i)
                texts.push_back(combo->itemText(i));
        } else if (const auto* spin = qobject_cast<const QSpinBox*>(widget)) {
            texts.push_back(spin->prefix());
            texts.push_back(spin->suffix());
        }
    }
    return texts;
}

class TranslationsTest : public MainDlgFixture {};

} // namespace

TEST(LanguageChoice, FollowsTheFirstChineseOrEnglishUiLanguage)
{
    const struct {
        QStringList languages;
        ELanguage expected;
    } cases[] = {
        {{"zh-CN"}, ELanguage::Chinese},
        {{"zh-Hans-CN", "zh-CN", "zh"}, ELanguage::Chinese},
        {{"zh_TW"}, ELanguage::Chinese},
        {{"en-US"}, ELanguage::English},
        {{"de-DE"}, ELanguage::English},
        {{"C"}, ELanguage::English},
        {{}, ELanguage::English},
        // A user who reads French, then Chinese, gets Chinese; one who
        // reads English before Chinese gets English.
        {{"fr-FR", "zh-CN"}, ELanguage::Chinese},
        {{"en-GB", "zh-CN"}, ELanguage::English},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseLanguage(c.languages), c.expected) << c.languages.join(',').toStdString();
}

TEST(CommandLine, LangChoosesTheLanguageAndOneFileIsOpened)
{
    const struct {
        QStringList arguments;
        QString start;
        std::optional<ELanguage> language;
        bool error;
    } cases[] = {
        {{}, "", std::nullopt, false},
        {{"knight.dc6"}, "knight.dc6", std::nullopt, false},
        {{"knight.dc6", "mage.dc6"}, "", std::nullopt, false},
        {{"--lang", "en", "knight.dc6"}, "knight.dc6", ELanguage::English, false},
        {{"knight.dc6", "--lang", "zh"}, "knight.dc6", ELanguage::Chinese, false},
        {{"--lang=zh"}, "", ELanguage::Chinese, false},
        {{"--lang", "zh", "--lang", "en"}, "", ELanguage::English, false},
        {{"--lang", "en", "a.dc6", "b.dc6"}, "", ELanguage::English, false},
        {{"--lang", "fr"}, "", std::nullopt, true},
        {{"--lang", "knight.dc6"}, "", std::nullopt, true},
        {{"--lang=", "knight.dc6"}, "", std::nullopt, true},
        {{"knight.dc6", "--lang"}, "", std::nullopt, true},
    };
    for (const auto& c : cases) {
        const auto line = CMainApp::ParseCommandLine(c.arguments);
        const std::string args = c.arguments.join(' ').toStdString();
        EXPECT_EQ(!line.strError.isEmpty(), c.error) << args;
        if (c.error)
            continue;
        EXPECT_EQ(line.strStartPath, c.start) << args;
        EXPECT_EQ(line.language, c.language) << args;
    }
}

TEST(CommandLine, AWrongLanguageIsAUsageErrorWithoutAWindow)
{
    for (const QStringList& arguments :
         {QStringList{"--lang", "fr"}, QStringList{"knight.dc6", "--lang"}}) {
        QProcess program;
        // No display is needed to say so.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("QT_QPA_PLATFORM");
        environment.remove("DISPLAY");
        program.setProcessEnvironment(environment);
        program.start(SPRITEWRIGHT_PROGRAM, arguments);
        ASSERT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 2);
        const QString error = QString::fromUtf8(program.readAllStandardError());
        EXPECT_TRUE(error.contains("usage: spritewright [--lang zh|en] [FILE.dc6]"))
            << error.toStdString();
        EXPECT_TRUE(program.readAllStandardOutput().isEmpty());
    }
}

// lupdate run over the sources into a copy of the translation file finds
// nothing new, nothing gone, and every English text whole: not empty, not
// Chinese, with the same %1... placeholders as its source.
TEST(TranslationFile, TranslatesEveryCaptionOfTheSources)
{
    const TempDir dir;
    const QString copy = QString::fromStdString((dir.Path() / "spritewright_en.ts").string());
    ASSERT_TRUE(QFile::copy(SPRITEWRIGHT_TS_FILE, copy));
    QProcess lupdate;
    lupdate.start(SPRITEWRIGHT_LUPDATE,
                  QString(SPRITEWRIGHT_LUPDATE_OPTIONS).split(' ', Qt::SkipEmptyParts) +
                      QStringList{SPRITEWRIGHT_APP_SOURCES, "-ts", copy});
    ASSERT_TRUE(lupdate.waitForFinished(60000));
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();

    QFile file(copy);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    static const QRegularExpression kPlaceholder("%\\d");
    const auto placeholders = [](const QString& text) {
        QStringList found;
        for (const auto& match : kPlaceholder.globalMatch(text))
            found.push_back(match.captured());
        found.sort();
        return found;
    };
    QString context, source;
    int messages = 0;
    while (xml.readNext() != QXmlStreamReader::Invalid && !xml.atEnd()) {
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"source") {
            source = xml.readElementText();
        } else if (xml.name() == u"translation") {
            ++messages;
            const std::string where = context.toStdString() + ": " + source.toStdString();
            EXPECT_TRUE(xml.attributes().value("type").isEmpty())
                << where << " is " << xml.attributes().value("type").toString().toStdString();
            const QString english = xml.readElementText();
            EXPECT_FALSE(english.isEmpty()) << where;
            EXPECT_FALSE(HasChinese(english)) << where;
            EXPECT_EQ(placeholders(english), placeholders(source)) << where;
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GT(messages, 80);
}

// Every window in English: each caption that is Chinese in the Chinese
// window is translated, none is left empty, none shows a Chinese character.
TEST_F(TranslationsTest, EveryWindowInEnglishShowsNoChineseAndNoEmptyCaption)
{
    const QString sprite = WriteSprite("knight.dc6", 2, 3);
    CImage sheet;
    ASSERT_TRUE(sheet.Create(4, 4, 8, 1));
    CScriptedInteraction script;
    const std::pair<const char*, std::function<std::unique_ptr<QWidget>()>> windows[] = {
        {"main window",
         [&]() -> std::unique_ptr<QWidget> {
             Start(sprite);
             return std::move(m_pDlg);
         }},
        {"about", [] { return std::make_unique<CAboutDlg>(QIcon()); }},
        {"change offset", [] { return std::make_unique<CChangeOffsetDlg>(3, -4); }},
        {"export all", [] { return std::make_unique<CExportOptionsDlg>(); }},
        {"export sheet", [] { return std::make_unique<CExportSheetDlg>(); }},
        {"show frames", [] { return std::make_unique<CSheetOptionsDlg>(4); }},
        {"framed sheet",
         [&] { return std::make_unique<CSheetDlg>(sheet, false, script, nullptr); }},
    };
    std::vector<QStringList> chinese;
    for (const auto& [name, make] : windows)
        chinese.push_back(Captions(*make()));
    const CTranslations english(ELanguage::English);
    ASSERT_TRUE(english.Loaded());
    for (size_t w = 0; w < std::size(windows); ++w) {
        const char* name = windows[w].first;
        const QStringList shown = Captions(*windows[w].second());
        ASSERT_EQ(shown.size(), chinese[w].size()) << name;
        int translated = 0;
        for (qsizetype i = 0; i < shown.size(); ++i) {
            EXPECT_FALSE(HasChinese(shown[i])) << name << ": " << shown[i].toStdString();
            if (!chinese[w][i].isEmpty()) {
                EXPECT_FALSE(shown[i].isEmpty()) << name << ": " << chinese[w][i].toStdString();
            }
            translated += HasChinese(chinese[w][i]) ? 1 : 0;
        }
        EXPECT_GT(translated, 0) << name;
    }
}

// The names a modder reads, in both languages: the Chinese window keeps the
// captions as they are written.
TEST_F(TranslationsTest, TheMainCaptionsInEachLanguage)
{
    const struct {
        const char* name;
        const char* chinese;
        const char* english;
    } cases[] = {
        {"m_grpMainMenu", "主菜单", "File"},
        {"m_btnNew", "新建", "New"},
        {"m_btnOpen", "打开...", "Open..."},
        {"m_btnClose", "关闭", "Close"},
        {"m_btnSave", "保存", "Save"},
        {"m_btnSaveAs", "另存为...", "Save As..."},
        {"m_btnExit", "退出", "Exit"},
        {"m_grpDirections", "说明", "Directions"},
        {"m_btnAddDirection", "添加", "Add"},
        {"m_btnDeleteFrame", "删除", "Delete"},
        {"m_btnInsertFrame", "插入", "Insert"},
        {"m_grpFrames", "帧数", "Frames"},
        {"m_grpPalette", "调色板", "Palette"},
        {"m_btnLoadPalette", "载入...", "Load..."},
        {"m_grpFrameInfo", "帧信息", "Frame info"},
        {"m_btnChangeOffset", "更改位移", "Change offset"},
        {"m_btnImport", "导入", "Import"},
        {"m_btnExport", "导出", "Export"},
        {"m_btnExportAll", "全部导出", "Export all"},
        {"m_btnBuildFromIni", "INI→DC6", "Build from INI"},
        {"m_btnShowFrames", "显示帧数", "Show frames"},
        {"m_btnExportSheet", "导出图集", "Export sheet"},
        {"m_btnImportSheet", "图集→DC6", "Build from sheet"},
        {"m_btnZoomFit", "适合", "Fit"},
        {"m_chkCheckerboard", "透明背景", "Transparency"},
        {"m_chkRegistered", "按位移显示", "At offsets"},
        {"m_chkOnionSkin", "洋葱皮", "Onion skin"},
        {"m_btnPlay", "播放", "Play"},
    };
    const auto caption = [this](const char* name) {
        QObject* widget = m_pDlg->findChild<QObject*>(name);
        if (const auto* group = qobject_cast<QGroupBox*>(widget))
            return group->title();
        const auto* button = qobject_cast<QAbstractButton*>(widget);
        return button ? button->text() : QString("(no %1)").arg(name);
    };
    Start();
    for (const auto& c : cases)
        EXPECT_EQ(caption(c.name), c.chinese);
    const CTranslations english(ELanguage::English);
    Start();
    for (const auto& c : cases)
        EXPECT_EQ(caption(c.name), c.english);
}

TEST_F(TranslationsTest, EnglishFileDialogsAndMessagesStayAsWritten)
{
    const CTranslations english(ELanguage::English);
    Start(WriteSprite("knight.dc6", 1, 2));
    const auto accept = [](QDialog&) { return int{QDialog::Accepted}; };
    m_pScript->dialogs = {accept, accept};
    m_pScript->files = std::deque<QString>(8);
    for (void (CMainDlg::*command)() :
         {&CMainDlg::OnFileOpen, &CMainDlg::OnFileSaveAs, &CMainDlg::OnLoadPalette,
          &CMainDlg::OnImport, &CMainDlg::OnExport, &CMainDlg::OnExportAll,
          &CMainDlg::OnExportSheet})
        (m_pDlg.get()->*command)();
    // The open sprite is closed before a build asks for its description.
    m_pScript->answers = {Answer::Yes};
    m_pDlg->OnBuildFromIni();
    ASSERT_EQ(m_pScript->fileRequests.size(), 8u);
    for (const auto& request : m_pScript->fileRequests) {
        EXPECT_FALSE(HasChinese(request.strCaption)) << request.strCaption.toStdString();
        for (const QString& filter : request.filters)
            EXPECT_FALSE(HasChinese(filter)) << filter.toStdString();
    }
    EXPECT_EQ(m_pScript->fileRequests[2].strCaption, "Load Palette");
    EXPECT_EQ(m_pScript->fileRequests[3].strCaption, "Import Image");
    EXPECT_EQ(m_pScript->fileRequests[0].filters.front(), "Diablo DC6 Image (*.dc6)");
    // The program's messages are its own English texts in every language.
    ASSERT_EQ(m_pScript->asked.size(), 1u);
    EXPECT_EQ(m_pScript->asked[0].text, "This will close currently open DC6!! Continue?");
    EXPECT_EQ(m_pScript->asked[0].caption, "Attention");
}

// Qt's own buttons follow the language: Chinese through Qt's translations,
// English as Qt writes them.
TEST(QtTranslations, MessageBoxButtonsFollowTheLanguage)
{
    for (const ELanguage language : {ELanguage::Chinese, ELanguage::English}) {
        const CTranslations translations(language);
        QMessageBox box(QMessageBox::Question, "Warning", "Procede?",
                        QMessageBox::Yes | QMessageBox::No);
        const QString yes = box.button(QMessageBox::Yes)->text();
        EXPECT_EQ(HasChinese(yes), language == ELanguage::Chinese) << yes.toStdString();
    }
}
