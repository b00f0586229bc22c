#pragma once

// The main window: one dialog that owns the sprite document, the current
// palette, every control and the three state flags.

#include "DC6File.h"
#include "Palette.h"
#include "UndoCommands.h"
#include "UserInteraction.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

class CPaletteView;
class CPreviewPanel;
struct CPreviewPoint;
class QComboBox;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QKeyEvent;
class QLabel;
class QMimeData;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStatusBar;

class CMainDlg : public QDialog {
    Q_OBJECT

public:
    // programFolder is where the data folder is looked for (the
    // executable's folder in normal use; see FindDataFolder); interaction
    // answers every question the window asks.
    CMainDlg(std::filesystem::path programFolder, std::unique_ptr<CUserInteraction> interaction,
             QWidget* parent = nullptr);
    ~CMainDlg() override;

    // The executable's folder.
    static std::filesystem::path GetModuleFolder();

    // The file to open at start; call before OnInitDialog.
    void SetStartPath(const QString& path) { m_strStartPath = path; }
    // Reads the palettes, shows the logo and opens the start file.
    void OnInitDialog();

    void SetSaved(int saved);
    void ShowFrame(int index);
    int PromptSaveChanges();
    int OpenDocument(const QString& path);
    void LoadPaletteCatalogue();

    // What tests and the other commands look at.
    int DocLoaded() const { return m_bDocLoaded; }
    int Untitled() const { return m_bUntitled; }
    int Saved() const { return m_bSaved; }
    const CDC6File& Document() const { return m_DC6File; }
    const CPalette& CurrentPalette() const { return m_Palette; }
    // The selected frame's flat index, or -1 while either list has no selection.
    int SelectedFrameIndex() const;
    // The palette index the pencil and the fill put down.
    int CurrentIndex() const { return m_nCurrentIndex; }
    void SetCurrentIndex(int index);
    const CUndoHistory& History() const { return m_History; }
    // How long work over many files runs before its progress bar shows.
    void SetProgressDelay(int milliseconds) { m_nProgressDelay = milliseconds; }

    // Records an edit of frames' pixels as one step of the undo history,
    // named `text` ("Undo <text>"), and does it: see CFramePixelsCommand.
    void PushFramePixelsEdit(const QString& text, std::vector<CFrameChange> changes);

public slots:
    void OnFileNew();
    void OnFileOpen();
    void OnFileClose();
    void OnFileSave();
    void OnFileSaveAs();
    void OnSelChangePalette();
    void OnLoadPalette();
    void OnSelChangeFrame();
    void OnDeleteDirection();
    void OnAddDirection();
    void OnInsertDirection();
    void OnDeleteFrame();
    void OnAddFrame();
    void OnInsertFrame();
    void OnChangeOffset();
    void OnImport();
    void OnExport();
    void OnShowFrames();
    void OnExportAll();
    void OnBuildFromIni();
    void OnExportSheet();
    void OnImportSheet();
    void OnReplaceIndex();
    void OnAbout();
    void OnUndo();
    void OnRedo();

protected:
    // The Exit button, Ctrl+Q and the close box all end here, and ask about
    // unsaved changes first.
    void reject() override;
    // Enter and Escape do not end the window.
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildControls();
    void RefreshState();
    void FillFrameLists();
    void ClearFrameLists();
    void ShowLogo();
    void UpdateInfoFields();
    const std::filesystem::path& DataFolder() const { return m_DataFolder; }
    CUserInteraction::Answer Message(const QString& text, const QString& caption,
                                     CUserInteraction::Buttons buttons,
                                     CUserInteraction::Icon icon);
    QString DC6FileDialog(bool save);
    // Every file dialog of the window: it starts in the folder used last in
    // this run (an opened document's folder counts as used), and the folder
    // chosen becomes that folder.
    QString FileDialog(CUserInteraction::FileRequest& request);
    void RememberFolder(const QString& path, bool isFolder);
    // Keys for the buttons: a key works while its button does, and the
    // button's tooltip names it.
    void BindKeys();
    // A dropped DC6 file opens, as Open does; an image file dropped on the
    // preview is imported into the selected frame, as Import does.
    QString DroppedFile(const QMimeData* mime) const;
    bool DropsOnPreview(const QPoint& position) const;
    void ImportFile(const QString& path);
    bool Confirm(const char* question);
    bool Ask(const QString& question, const QString& caption, CUserInteraction::Icon icon);
    void ShowError(const std::string& text);
    bool ReportGridError(bool done, const std::string& error);
    // Pushes a step that has been done (or that pushing does).
    void Record(CSpriteCommand* step);
    // After a step was done or undone: the lists follow the grid, `position`
    // is selected and shown.
    void OnDocumentChanged(const CFramePosition& position);
    // A new document (or none) starts a history of its own.
    void RestartHistory(bool saved);
    void UpdateUndoButtons();
    // Says in the status line what the last command did.
    void ShowStatus(const QString& text);
    QString SavedText() const;
    // The next number appended to the direction box, or `count` next numbers
    // to the frame list.
    void AppendDirectionLabel();
    void AppendFrameLabels(int count);
    QString ImageFileDialog(bool save, const QString& caption, const QStringList& filters);
    // The user's palettes after the catalogue's entries in the palette box.
    void AddUserPalettes();
    // Reads a user palette into the current palette; false (after saying
    // why) when it cannot be read.
    bool ReadUserPalette(const QString& file);
    // Shows the current palette in the swatches and the preview.
    void ShowPalette();
    // Every command that changes the document or the window's state stops
    // playback first, so that it works on the frame the user chose, and ends
    // a stroke of the tools under way.
    void StopPlayback();
    void OnPreviewFrameRequested(int frame);
    // Asks for the atlas of `sheet`, offering the name beside it.
    QString AtlasFileDialog(bool save, const QString& sheet);
    // Before a command that makes a new sprite: the open one is closed,
    // after asking. False when it stays open.
    bool CloseForNewSprite();
    // After it: shows the new sprite, untitled and unsaved, made from the
    // file `source`.
    void ShowNewSprite(const QString& source);
    // The touch-up tools in the preview: a press, the moves with the button
    // held, and the release that ends a stroke.
    void OnToolPressed(const CPreviewPoint& point);
    void OnToolDragged(const CPreviewPoint& point);
    void OnToolReleased();
    // A change of frame pixels is done: `before` holds each changed frame's
    // flat index and the frame as it was. It becomes one step of the undo
    // history.
    using FramesBefore = std::vector<std::pair<int, DC6Frame>>;
    void FinishPixelEdit(const QString& name, FramesBefore before);

    std::filesystem::path m_DataFolder;
    std::unique_ptr<CUserInteraction> m_pInteraction;

    QPushButton* m_btnChangeOffset = nullptr;
    QComboBox* m_cboPalette = nullptr;
    QPushButton* m_btnLoadPalette = nullptr;
    QComboBox* m_cboDirection = nullptr;
    QListWidget* m_lstFrame = nullptr;
    QLineEdit* m_edtWidth = nullptr;
    QLineEdit* m_edtHeight = nullptr;
    QLineEdit* m_edtOffsetX = nullptr;
    QLineEdit* m_edtOffsetY = nullptr;
    CPreviewPanel* m_pPreviewPanel = nullptr;
    CPaletteView* m_stcPaletteView = nullptr;
    QLabel* m_stcCurrentColour = nullptr;
    QLabel* m_stcCurrentIndex = nullptr;
    QPushButton* m_btnImport = nullptr;
    QPushButton* m_btnExport = nullptr;
    QPushButton* m_btnExportAll = nullptr;
    QPushButton* m_btnShowFrames = nullptr;
    QPushButton* m_btnBuildFromIni = nullptr;
    QPushButton* m_btnExportSheet = nullptr;
    QPushButton* m_btnImportSheet = nullptr;
    QPushButton* m_btnAddDirection = nullptr;
    QPushButton* m_btnDeleteDirection = nullptr;
    QPushButton* m_btnInsertDirection = nullptr;
    QPushButton* m_btnAddFrame = nullptr;
    QPushButton* m_btnDeleteFrame = nullptr;
    QPushButton* m_btnInsertFrame = nullptr;
    QPushButton* m_btnNew = nullptr;
    QPushButton* m_btnOpen = nullptr;
    QPushButton* m_btnClose = nullptr;
    QPushButton* m_btnSave = nullptr;
    QPushButton* m_btnSaveAs = nullptr;
    QPushButton* m_btnExit = nullptr;
    QPushButton* m_btnUndo = nullptr;
    QPushButton* m_btnRedo = nullptr;
    QStatusBar* m_pStatusBar = nullptr;

    QString m_strOffsetY;
    QString m_strOffsetX;
    QString m_strWidth;
    QString m_strHeight;
    CDC6File m_DC6File;
    QString m_strFileName;
    QString m_strVersion;
    int m_bDocLoaded = 0;
    int m_bUntitled = 0;
    int m_bSaved = 1;
    CPalette m_Palette;
    // The palette box's entry chosen last, and the folder of the user's own
    // palettes.
    int m_nPaletteEntry = -1;
    std::filesystem::path m_UserPaletteFolder;
    int m_nFilterIndex = 0;
    QString m_strStartPath;
    int m_nCurrentIndex = 1;
    // A stroke of the pencil or the eraser under way: its frame (-1 for
    // none), the frame's pixels before it, the index it puts down, the last
    // pixel it reached and whether it changed any.
    int m_iStrokeFrame = -1;
    DC6Frame m_StrokeBefore;
    uint8_t m_cStrokeIndex = 0;
    int m_iStrokeX = 0;
    int m_iStrokeY = 0;
    bool m_bStrokeChanged = false;
    bool m_bStrokeErases = false;
    // The index the replace command offered last as the new one.
    int m_nReplaceTo = 0;
    QString m_strLastFolder;
    int m_nProgressDelay = 500;
    // Last, so that the history goes first, while all it tells is still there.
    CUndoTarget m_UndoTarget{m_DC6File, {}};
    CUndoHistory m_History;
};
