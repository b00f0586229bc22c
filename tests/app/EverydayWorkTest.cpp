// Undo and redo, keys, drops, the status line, progress and the dialogs'
// folders, through the window.

#include "ChangeOffsetDlg.h"
#include "ExportOptionsDlg.h"
#include "Image.h"
#include "ImageGIF.h"
#include "MainDlgFixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QProgressDialog>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cstring>

namespace {

class EverydayWorkTest : public MainDlgFixture {
protected:
    // Two directions of three frames, each frame told apart by its size,
    // offset and pixels; direction 1, frame 1 selected.
    QString OpenExample()
    {
        CDC6File doc;
        doc.NewDC6(2, 3);
        for (int i = 0; i < 6; ++i) {
            doc.ResizeFrame(i, i + 2, 3);
            doc.SetFramePixel(i, 1, 1, static_cast<uint8_t>(40 + i));
            doc.SetFrameOffsetX(i, i * 10);
        }
        const auto path = m_Dir.Path() / "example.dc6";
        EXPECT_TRUE(doc.SaveDC6(path));
        m_Original = testutil::ReadFile(path);
        Start(QString::fromStdString(path.string()));
        Find<QComboBox>("m_cboDirection")->setCurrentIndex(1);
        Find<QListWidget>("m_lstFrame")->setCurrentRow(1);
        return QString::fromStdString(path.string());
    }

    // The document as its bytes: file header, then every frame's header and
    // pixels.
    Bytes DocumentBytes() const
    {
        const CDC6File& doc = m_pDlg->Document();
        DC6FileHeader header{};
        doc.GetDC6FileHeader(header);
        Bytes bytes(sizeof(header));
        std::memcpy(bytes.data(), &header, sizeof(header));
        for (int i = 0; i < doc.GetFrameListLength(); ++i) {
            DC6Frame frame;
            doc.GetDC6Frame(i, frame);
            const auto* head = reinterpret_cast<const uint8_t*>(&frame.m_DC6FrameHeader);
            bytes.insert(bytes.end(), head, head + sizeof(DC6FrameHeader));
            bytes.insert(bytes.end(), frame.m_ImageData.begin(), frame.m_ImageData.end());
        }
        return bytes;
    }

    // A picture in the window's palette, every pixel `index`.
    CImage Picture(int width, int height, uint8_t index) const
    {
        CImage image;
        image.Create(width, height, 8, IMAGE_TYPE_BMP);
        image.SetPalette(m_pDlg->CurrentPalette().data(), 256);
        image.Clear(index);
        return image;
    }

    QString WriteBmp(const std::string& name, int width, int height)
    {
        const auto path = m_Dir.Path() / name;
        EXPECT_TRUE(Picture(width, height, 9).Save(path, IMAGE_TYPE_BMP));
        return QString::fromStdString(path.string());
    }

    QString WriteGif(const std::string& name, int images)
    {
        const auto path = m_Dir.Path() / name;
        CImageGIF gif;
        EXPECT_TRUE(gif.Begin(path, 4, 4));
        for (int i = 0; i < images; ++i)
            EXPECT_TRUE(gif.Add(Picture(4, 4, static_cast<uint8_t>(60 + i))));
        EXPECT_TRUE(gif.End());
        return QString::fromStdString(path.string());
    }

    QString Status() const { return Find<QStatusBar>("m_pStatusBar")->currentMessage(); }
    bool Marked() const { return m_pDlg->windowTitle().endsWith("*]"); }

    void Drop(const QString& file, QWidget* target)
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        const QPointF at = target->mapTo(m_pDlg.get(), target->rect().center());
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_pDlg.get(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_pDlg.get(), &drop);
    }

    void Key(QKeyCombination key)
    {
        QTest::keyClick(m_pDlg.get(), key.key(), key.keyboardModifiers());
    }

    void ShowActive()
    {
        m_pDlg->show();
        QApplication::setActiveWindow(m_pDlg.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_pDlg.get()));
    }

    Bytes m_Original;
};

} // namespace

TEST_F(EverydayWorkTest, EveryStepUndoesAndRedoesByteForByte)
{
    struct Case {
        const char* step;
        std::function<void()> run;
    };
    const auto click = [this](const char* button, std::deque<Answer> answers = {}) {
        return [=, this] {
            m_pScript->answers = answers;
            Click(button);
        };
    };
    const auto importGif = [this](std::deque<Answer> answers) {
        return [=, this] {
            m_pScript->files = {WriteGif("three.gif", 3)};
            m_pScript->answers = answers;
            Click("m_btnImport");
        };
    };
    const Case cases[] = {
        {"删除方向 01", click("m_btnDeleteDirection", {Answer::Yes})},
        {"添加方向 02", click("m_btnAddDirection")},
        {"插入方向 01", click("m_btnInsertDirection")},
        {"删除帧 0001", click("m_btnDeleteFrame", {Answer::Yes})},
        {"添加帧 0003", click("m_btnAddFrame")},
        {"插入帧 0001", click("m_btnInsertFrame")},
        {"更改位移 01/0001",
         [this] {
             m_pScript->dialogs = {[](QDialog& dialog) {
                 dialog.findChild<QSpinBox*>("m_edtOffsetX")->setValue(-7);
                 dialog.findChild<QSpinBox*>("m_edtOffsetY")->setValue(12);
                 dialog.accept();
                 return dialog.result();
             }};
             Click("m_btnChangeOffset");
         }},
        {"导入 small.bmp",
         [this] {
             m_pScript->files = {WriteBmp("small.bmp", 30, 20)};
             Click("m_btnImport");
         }},
        {"导入 three.gif", importGif({Answer::Yes, Answer::Yes})},
        {"导入 three.gif", importGif({Answer::Yes, Answer::No})},
        {"铅笔",
         [this] {
             CFrameChange change{{0, 2}, {}, {}};
             m_pDlg->Document().GetDC6Frame(2, change.before);
             change.after = change.before;
             change.after.m_ImageData[0] = 77;
             m_pDlg->PushFramePixelsEdit("铅笔", {change});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        const QString path = OpenExample();
        const Bytes before = DocumentBytes();
        EXPECT_FALSE(Find<QPushButton>("m_btnUndo")->isEnabled());
        c.run();
        const Bytes after = DocumentBytes();
        ASSERT_NE(after, before);
        EXPECT_TRUE(Marked());
        EXPECT_EQ(Find<QPushButton>("m_btnUndo")->text(), QString("撤销 ") + c.step);
        EXPECT_EQ(Status(), c.step);

        Click("m_btnUndo");
        EXPECT_EQ(DocumentBytes(), before);
        EXPECT_FALSE(Marked());
        EXPECT_EQ(m_pDlg->Saved(), 1);
        EXPECT_EQ(Find<QPushButton>("m_btnRedo")->text(), QString("重做 ") + c.step);
        EXPECT_EQ(Status(), QString("已撤销 ") + c.step);

        Click("m_btnRedo");
        EXPECT_EQ(DocumentBytes(), after);
        EXPECT_TRUE(Marked());
        const int frames = Find<QListWidget>("m_lstFrame")->count();
        const int directions = Find<QComboBox>("m_cboDirection")->count();
        DC6FileHeader header{};
        m_pDlg->Document().GetDC6FileHeader(header);
        EXPECT_EQ(frames, header.m_iFramesPerDirection);
        EXPECT_EQ(directions, header.m_iDirections);

        // Undone again and saved, the file is the one opened.
        Click("m_btnUndo");
        Click("m_btnSave");
        EXPECT_EQ(testutil::ReadFile(path.toStdString()), m_Original);
    }
}

TEST_F(EverydayWorkTest, TheMarkFollowsTheSavedStateAndNewDocumentsStartAfresh)
{
    OpenExample();
    Click("m_btnAddFrame");
    Click("m_btnSave");
    EXPECT_FALSE(Marked());
    Click("m_btnAddDirection");
    EXPECT_TRUE(Marked());
    Click("m_btnUndo");
    EXPECT_FALSE(Marked()) << "back at the state saved";
    Click("m_btnUndo");
    EXPECT_TRUE(Marked());
    Click("m_btnRedo");
    EXPECT_FALSE(Marked());

    // A failed Save As keeps the name: Save still writes the first file.
    std::filesystem::remove(m_Dir.Path() / "example.dc6");
    m_pScript->files = {QString::fromStdString((m_Dir.Path() / "gone" / "x.dc6").string())};
    m_pScript->answers = {Answer::Ok};
    Click("m_btnSaveAs");
    EXPECT_TRUE(m_pDlg->windowTitle().endsWith("[example.dc6]"));
    Click("m_btnSave");
    EXPECT_TRUE(std::filesystem::exists(m_Dir.Path() / "example.dc6"));

    struct Fresh {
        const char* button;
        bool marked;
    };
    for (const Fresh fresh : {Fresh{"m_btnNew", true}, Fresh{"m_btnClose", false}}) {
        Click("m_btnInsertFrame");
        m_pScript->answers = {Answer::No};
        Click(fresh.button);
        EXPECT_FALSE(Find<QPushButton>("m_btnUndo")->isEnabled()) << fresh.button;
        EXPECT_EQ(Marked(), fresh.marked) << fresh.button;
        EXPECT_EQ(m_pDlg->History().Bytes(), 0) << fresh.button;
    }
    // An untitled sprite stays unsaved when its edits are undone.
    Click("m_btnNew");
    Click("m_btnAddFrame");
    Click("m_btnUndo");
    EXPECT_EQ(m_pDlg->Saved(), 0);
}

TEST_F(EverydayWorkTest, TheHistoryKeepsAtMostItsNumberOfSteps)
{
    CDC6File doc;
    doc.NewDC6(1, 1);
    CUndoTarget target{doc, {}};
    CUndoHistory history;
    for (int i = 1; i <= CUndoHistory::kMaxSteps + 5; ++i)
        history.Push(new COffsetCommand(target, "offset", {0, 0}, i - 1, 0, i, 0));
    int undone = 0;
    for (; history.CanUndo(); ++undone)
        history.Undo();
    EXPECT_EQ(undone, CUndoHistory::kMaxSteps);
    EXPECT_EQ(doc.GetFrameOffsetX(0), 5);
}

TEST_F(EverydayWorkTest, KeysWorkWhileTheirButtonsDoAndEnterAndEscapeLeaveTheWindowOpen)
{
    OpenExample();
    ShowActive();
    const std::pair<const char*, const char*> tooltips[] = {
        {"m_btnNew", "(Ctrl+N)"},
        {"m_btnOpen", "(Ctrl+O)"},
        {"m_btnSave", "(Ctrl+S)"},
        {"m_btnSaveAs", "(Ctrl+Shift+S)"},
        {"m_btnClose", "(Ctrl+W)"},
        {"m_btnExit", "(Ctrl+Q)"},
        {"m_btnDeleteFrame", "(Del)"},
        {"m_btnImport", "(Ctrl+I)"},
        {"m_btnExport", "(Ctrl+E)"},
        {"m_btnUndo", "(Ctrl+Z)"},
        {"m_btnRedo", "(Ctrl+Shift+Z, Ctrl+Y)"},
    };
    for (const auto& [button, keys] : tooltips)
        EXPECT_TRUE(Find<QPushButton>(button)->toolTip().endsWith(keys)) << button;

    m_pScript->answers = {Answer::Yes};
    Key(Qt::Key_Delete);
    EXPECT_EQ(m_pScript->asked.size(), 1u);
    EXPECT_EQ(Find<QListWidget>("m_lstFrame")->count(), 2);
    Key(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(Find<QListWidget>("m_lstFrame")->count(), 3);
    Key(Qt::CTRL | Qt::Key_Y);
    EXPECT_EQ(Find<QListWidget>("m_lstFrame")->count(), 2);
    Key(Qt::CTRL | Qt::Key_Z);
    Key(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    EXPECT_EQ(Find<QListWidget>("m_lstFrame")->count(), 2);

    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        Find<QListWidget>("m_lstFrame")->setFocus();
        QTest::keyClick(Find<QListWidget>("m_lstFrame"), key);
        Key(key);
    }
    EXPECT_TRUE(m_pDlg->isVisible());
    EXPECT_EQ(m_pScript->asked.size(), 1u);

    // Ctrl+Q asks as the close box does; Ctrl+W closes after asking.
    m_pScript->answers = {Answer::Cancel, Answer::No};
    Key(Qt::CTRL | Qt::Key_Q);
    EXPECT_TRUE(m_pDlg->isVisible());
    Key(Qt::CTRL | Qt::Key_W);
    EXPECT_EQ(m_pDlg->DocLoaded(), 0);
    // Nothing open: Ctrl+S has no button to press and saves nothing.
    Key(Qt::CTRL | Qt::Key_S);
    EXPECT_EQ(m_pScript->fileRequests.size(), 0u);
    m_pScript->answers = {};
    Key(Qt::CTRL | Qt::Key_Q);
    EXPECT_FALSE(m_pDlg->isVisible());
}

TEST_F(EverydayWorkTest, DroppedSpritesOpenAndDroppedPicturesImportOnThePreview)
{
    OpenExample();
    m_pDlg->resize(900, 600);
    ShowActive();
    const QString picture = WriteBmp("drop.bmp", 7, 5);
    Drop(picture, Find<QListWidget>("m_lstFrame"));
    EXPECT_FALSE(Marked()) << "a picture away from the preview is not imported";
    Drop(picture, Preview());
    EXPECT_EQ(InfoFields()[0], "7");
    EXPECT_EQ(Find<QPushButton>("m_btnUndo")->text(), "撤销 导入 drop.bmp");

    // A sprite dropped anywhere opens, after the question about changes.
    const QString other = WriteSprite("other.dc6", 1, 4);
    m_pScript->answers = {Answer::Cancel, Answer::No};
    Drop(other, Find<QListWidget>("m_lstFrame"));
    EXPECT_TRUE(Marked());
    Drop(other, Find<QListWidget>("m_lstFrame"));
    EXPECT_EQ(m_pScript->asked.size(), 2u);
    EXPECT_TRUE(m_pDlg->windowTitle().endsWith("[other.dc6]"));
    EXPECT_EQ(Find<QListWidget>("m_lstFrame")->count(), 4);

    // Known by its header under another name, even dropped on the preview.
    const QString sprite = WriteSprite("renamed.dc6", 1, 3);
    const QString renamed = QFileInfo(sprite).dir().filePath("renamed.spr");
    ASSERT_TRUE(QFile::rename(sprite, renamed));
    Drop(renamed, Preview());
    EXPECT_TRUE(m_pDlg->windowTitle().endsWith("[renamed.spr]"));
    EXPECT_EQ(Find<QListWidget>("m_lstFrame")->count(), 3);
}

TEST_F(EverydayWorkTest, ExportAllAndBuildReportTheirResultAndCanBeCancelled)
{
    OpenExample();
    m_pDlg->SetProgressDelay(0);
    const auto exportAll = [&](bool cancel) {
        m_pScript->dialogs = {[](QDialog& dialog) {
            dialog.findChild<QRadioButton*>("m_radBMP")->click();
            dialog.accept();
            return dialog.result();
        }};
        m_pScript->files = {QString::fromStdString(m_Dir.Path().string())};
        if (cancel)
            QTimer::singleShot(0, m_pDlg.get(),
                               [&] { m_pDlg->findChild<QProgressDialog*>()->cancel(); });
        Click("m_btnExportAll");
    };
    exportAll(true);
    EXPECT_FALSE(std::filesystem::exists(m_Dir.Path() / "example_bmp"));
    EXPECT_EQ(Status(), "已取消全部导出");
    EXPECT_TRUE(m_pScript->asked.empty());

    exportAll(false);
    const auto description = m_Dir.Path() / "example_bmp" / "example_bmp.ini";
    EXPECT_TRUE(std::filesystem::exists(description));
    EXPECT_EQ(Status(), QString("已导出 6 帧到 %1").arg((m_Dir.Path() / "example_bmp").c_str()));

    const auto build = [&](bool cancel) {
        m_pScript->answers = {Answer::Yes};
        m_pScript->files = {QString::fromStdString(description.string())};
        if (cancel)
            QTimer::singleShot(0, m_pDlg.get(),
                               [&] { m_pDlg->findChild<QProgressDialog*>()->cancel(); });
        Click("m_btnBuildFromIni");
    };
    build(true);
    EXPECT_EQ(m_pDlg->DocLoaded(), 0);
    EXPECT_EQ(Status(), "已取消 INI→DC6");
    build(false);
    EXPECT_EQ(m_pDlg->DocLoaded(), 1);
    EXPECT_EQ(Status(), QString("已生成 %1（2 × 3 帧）").arg(description.c_str()));
}

TEST_F(EverydayWorkTest, DialogsStartInTheFolderUsedLast)
{
    const QString path = OpenExample();
    const QString folder = QString::fromStdString(m_Dir.Path().string());
    std::filesystem::create_directories(m_Dir.Path() / "art");
    const QString art = QString::fromStdString((m_Dir.Path() / "art").string());
    m_pScript->files = {art + "/frame.bmp", ""};
    Click("m_btnExport");
    Click("m_btnOpen");
    ASSERT_EQ(m_pScript->fileRequests.size(), 2u);
    EXPECT_EQ(m_pScript->fileRequests[0].strFolder, folder) << "the document's folder";
    EXPECT_EQ(m_pScript->fileRequests[1].strFolder, art) << "the folder chosen last";
}
