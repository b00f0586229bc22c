#include "MainDlg.h"

#include "AboutDlg.h"
#include "DataFolder.h"
#include "DialogParts.h"
#include "DirectionCanvas.h"
#include "PaletteView.h"
#include "PreviewPanel.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const char kLogoFile[] = "logo.dc6";
const char kPaletteFolder[] = "pal";
const char kCatalogueFile[] = "palettes.ini";
const char* const kDC6Filters[] = {
    QT_TRANSLATE_NOOP("FileFilter", "Diablo DC6 Image (*.dc6)"),
    QT_TRANSLATE_NOOP("FileFilter", "All files (*.*)"),
};

QPushButton* MakeButton(const QString& caption, const char* name)
{
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QGroupBox* MakeGroup(const QString& caption, const char* name)
{
    auto* group = new QGroupBox(caption);
    group->setObjectName(name);
    return group;
}

QLineEdit* MakeInfoField(const char* name)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setMaximumWidth(80);
    return edit;
}

QHBoxLayout* Row(std::initializer_list<QWidget*> widgets)
{
    auto* row = new QHBoxLayout;
    for (QWidget* widget : widgets)
        row->addWidget(widget);
    return row;
}

CPreviewFrame PreviewFrame(const CDC6File& doc, int index)
{
    DC6FrameHeader header{};
    if (!doc.GetDC6FrameHeader(index, header))
        return {};
    return {index, header.m_iWidth, header.m_iHeight, header.m_iOffsetX, header.m_iOffsetY};
}

} // namespace

CMainDlg::CMainDlg(std::filesystem::path programFolder,
                   std::unique_ptr<CUserInteraction> interaction, QWidget* parent)
    : QDialog(parent), m_DataFolder(FindDataFolder(programFolder)),
      m_pInteraction(std::move(interaction)), m_Palette(GreyRampPalette()),
      m_UserPaletteFolder(UserPaletteFolder())
{
    setObjectName("CMainDlg");
    setWindowTitle("Spritewright");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    setAcceptDrops(true);
    m_UndoTarget.Changed = [this](const CFramePosition& position) { OnDocumentChanged(position); };
    BuildControls();
    connect(&m_History.Stack(), &QUndoStack::cleanChanged, this,
            [this](bool clean) { SetSaved(clean ? 1 : 0); });
    connect(&m_History.Stack(), &QUndoStack::indexChanged, this, &CMainDlg::UpdateUndoButtons);
}

CMainDlg::~CMainDlg() = default;

std::filesystem::path CMainDlg::GetModuleFolder()
{
    return ProgramFolder();
}

void CMainDlg::BuildControls()
{
    m_btnNew = MakeButton(tr("新建"), "m_btnNew");
    m_btnOpen = MakeButton(tr("打开..."), "m_btnOpen");
    m_btnClose = MakeButton(tr("关闭"), "m_btnClose");
    m_btnSave = MakeButton(tr("保存"), "m_btnSave");
    m_btnSaveAs = MakeButton(tr("另存为..."), "m_btnSaveAs");
    m_btnExit = MakeButton(tr("退出"), "m_btnExit");
    m_btnUndo = MakeButton(tr("撤销"), "m_btnUndo");
    m_btnRedo = MakeButton(tr("重做"), "m_btnRedo");
    auto* mainMenu = MakeGroup(tr("主菜单"), "m_grpMainMenu");
    auto* mainRow = Row({m_btnNew, m_btnOpen, m_btnClose, m_btnSave, m_btnSaveAs, m_btnExit});
    mainRow->addSpacing(16);
    mainRow->addWidget(m_btnUndo);
    mainRow->addWidget(m_btnRedo);
    mainRow->addStretch(1);
    mainMenu->setLayout(mainRow);

    m_cboDirection = new QComboBox;
    m_cboDirection->setObjectName("m_cboDirection");
    m_btnAddDirection = MakeButton(tr("添加"), "m_btnAddDirection");
    m_btnDeleteDirection = MakeButton(tr("删除"), "m_btnDeleteDirection");
    m_btnInsertDirection = MakeButton(tr("插入"), "m_btnInsertDirection");
    auto* directions = MakeGroup(tr("说明"), "m_grpDirections");
    auto* directionsLayout = new QVBoxLayout(directions);
    directionsLayout->addWidget(m_cboDirection);
    directionsLayout->addLayout(
        Row({m_btnAddDirection, m_btnDeleteDirection, m_btnInsertDirection}));

    m_lstFrame = new QListWidget;
    m_lstFrame->setObjectName("m_lstFrame");
    m_lstFrame->setUniformItemSizes(true);
    m_btnAddFrame = MakeButton(tr("添加"), "m_btnAddFrame");
    m_btnDeleteFrame = MakeButton(tr("删除"), "m_btnDeleteFrame");
    m_btnInsertFrame = MakeButton(tr("插入"), "m_btnInsertFrame");
    auto* frames = MakeGroup(tr("帧数"), "m_grpFrames");
    auto* framesLayout = new QVBoxLayout(frames);
    framesLayout->addWidget(m_lstFrame, 1);
    framesLayout->addLayout(Row({m_btnAddFrame, m_btnDeleteFrame, m_btnInsertFrame}));

    auto* left = new QVBoxLayout;
    left->addWidget(directions);
    left->addWidget(frames, 1);

    m_cboPalette = new QComboBox;
    m_cboPalette->setObjectName("m_cboPalette");
    m_btnLoadPalette = MakeButton(tr("载入..."), "m_btnLoadPalette");
    m_stcPaletteView = new CPaletteView;
    m_stcPaletteView->setObjectName("m_stcPaletteView");
    auto* palette = MakeGroup(tr("调色板"), "m_grpPalette");
    auto* paletteRow = Row({m_cboPalette, m_btnLoadPalette});
    paletteRow->setStretch(0, 1);
    // The index the tools put down, beside the palette it comes from.
    m_stcCurrentColour = new QLabel;
    m_stcCurrentColour->setObjectName("m_stcCurrentColour");
    m_stcCurrentColour->setFixedSize(16, 16);
    m_stcCurrentIndex = new QLabel;
    m_stcCurrentIndex->setObjectName("m_stcCurrentIndex");
    // As wide as the widest colour, so that picking one moves nothing.
    m_stcCurrentIndex->setMinimumWidth(
        m_stcCurrentIndex->fontMetrics().horizontalAdvance("RGB (255, 255, 255)"));
    auto* currentRow = Row({m_stcCurrentColour, m_stcCurrentIndex});
    currentRow->addStretch(1);
    auto* paletteLayout = new QVBoxLayout(palette);
    paletteLayout->addLayout(paletteRow);
    paletteLayout->addWidget(m_stcPaletteView, 0, Qt::AlignHCenter);
    paletteLayout->addLayout(currentRow);

    m_edtWidth = MakeInfoField("m_edtWidth");
    m_edtHeight = MakeInfoField("m_edtHeight");
    m_edtOffsetX = MakeInfoField("m_edtOffsetX");
    m_edtOffsetY = MakeInfoField("m_edtOffsetY");
    m_btnChangeOffset = MakeButton(tr("更改位移"), "m_btnChangeOffset");
    auto* info = MakeGroup(tr("帧信息"), "m_grpFrameInfo");
    auto* infoLayout = new QGridLayout(info);
    infoLayout->addWidget(new QLabel(tr("宽      度")), 0, 0);
    infoLayout->addWidget(m_edtWidth, 0, 1);
    infoLayout->addWidget(new QLabel(tr("高      度")), 1, 0);
    infoLayout->addWidget(m_edtHeight, 1, 1);
    infoLayout->addWidget(new QLabel(tr("X  位  移")), 2, 0);
    infoLayout->addWidget(m_edtOffsetX, 2, 1);
    infoLayout->addWidget(new QLabel(tr("Y  位  移")), 3, 0);
    infoLayout->addWidget(m_edtOffsetY, 3, 1);
    infoLayout->addWidget(m_btnChangeOffset, 4, 0, 1, 2);

    auto* middle = new QVBoxLayout;
    middle->addWidget(palette);
    middle->addWidget(info);
    middle->addStretch(1);

    m_btnImport = MakeButton(tr("导入"), "m_btnImport");
    m_btnExport = MakeButton(tr("导出"), "m_btnExport");
    m_btnExportAll = MakeButton(tr("全部导出"), "m_btnExportAll");
    m_btnBuildFromIni = MakeButton(tr("INI→DC6"), "m_btnBuildFromIni");
    m_btnShowFrames = MakeButton(tr("显示帧数"), "m_btnShowFrames");
    m_btnExportSheet = MakeButton(tr("导出图集"), "m_btnExportSheet");
    m_btnImportSheet = MakeButton(tr("图集→DC6"), "m_btnImportSheet");
    auto* imageButtons = new QVBoxLayout;
    for (QPushButton* button : {m_btnImport, m_btnExport, m_btnExportAll, m_btnBuildFromIni,
                                m_btnShowFrames, m_btnExportSheet, m_btnImportSheet})
        imageButtons->addWidget(button);
    imageButtons->addStretch(1);

    // The preview reads the frames' pixels where the document holds them.
    m_pPreviewPanel = new CPreviewPanel;
    m_pPreviewPanel->SetPixelSource([this](int index) { return m_DC6File.GetFramePixels(index); });
    auto* preview = MakeGroup(tr("预览"), "m_grpPreview");
    (new QVBoxLayout(preview))->addWidget(m_pPreviewPanel);

    auto* image = MakeGroup(tr("图象"), "m_grpImage");
    auto* imageLayout = new QHBoxLayout(image);
    imageLayout->addLayout(imageButtons);
    imageLayout->addWidget(preview, 1);

    auto* body = new QHBoxLayout;
    body->addLayout(left);
    body->addLayout(middle);
    body->addWidget(image, 1);

    m_pStatusBar = new QStatusBar;
    m_pStatusBar->setObjectName("m_pStatusBar");
    auto* root = new QVBoxLayout(this);
    root->addWidget(mainMenu);
    root->addLayout(body, 1);
    root->addWidget(m_pStatusBar);

    connect(m_btnNew, &QPushButton::clicked, this, &CMainDlg::OnFileNew);
    connect(m_btnOpen, &QPushButton::clicked, this, &CMainDlg::OnFileOpen);
    connect(m_btnClose, &QPushButton::clicked, this, &CMainDlg::OnFileClose);
    connect(m_btnSave, &QPushButton::clicked, this, &CMainDlg::OnFileSave);
    connect(m_btnSaveAs, &QPushButton::clicked, this, &CMainDlg::OnFileSaveAs);
    connect(m_btnExit, &QPushButton::clicked, this, &CMainDlg::reject);
    connect(m_btnUndo, &QPushButton::clicked, this, &CMainDlg::OnUndo);
    connect(m_btnRedo, &QPushButton::clicked, this, &CMainDlg::OnRedo);
    connect(m_btnDeleteDirection, &QPushButton::clicked, this, &CMainDlg::OnDeleteDirection);
    connect(m_btnAddDirection, &QPushButton::clicked, this, &CMainDlg::OnAddDirection);
    connect(m_btnInsertDirection, &QPushButton::clicked, this, &CMainDlg::OnInsertDirection);
    connect(m_btnDeleteFrame, &QPushButton::clicked, this, &CMainDlg::OnDeleteFrame);
    connect(m_btnAddFrame, &QPushButton::clicked, this, &CMainDlg::OnAddFrame);
    connect(m_btnInsertFrame, &QPushButton::clicked, this, &CMainDlg::OnInsertFrame);
    connect(m_btnChangeOffset, &QPushButton::clicked, this, &CMainDlg::OnChangeOffset);
    connect(m_btnImport, &QPushButton::clicked, this, &CMainDlg::OnImport);
    connect(m_btnExport, &QPushButton::clicked, this, &CMainDlg::OnExport);
    connect(m_btnShowFrames, &QPushButton::clicked, this, &CMainDlg::OnShowFrames);
    connect(m_btnExportAll, &QPushButton::clicked, this, &CMainDlg::OnExportAll);
    connect(m_btnBuildFromIni, &QPushButton::clicked, this, &CMainDlg::OnBuildFromIni);
    connect(m_btnExportSheet, &QPushButton::clicked, this, &CMainDlg::OnExportSheet);
    connect(m_btnImportSheet, &QPushButton::clicked, this, &CMainDlg::OnImportSheet);
    connect(m_cboPalette, &QComboBox::activated, this, &CMainDlg::OnSelChangePalette);
    connect(m_btnLoadPalette, &QPushButton::clicked, this, &CMainDlg::OnLoadPalette);
    connect(m_cboDirection, &QComboBox::currentIndexChanged, this, &CMainDlg::OnSelChangeFrame);
    connect(m_lstFrame, &QListWidget::currentRowChanged, this, &CMainDlg::OnSelChangeFrame);
    connect(m_pPreviewPanel, &CPreviewPanel::FrameRequested, this,
            &CMainDlg::OnPreviewFrameRequested);
    connect(m_pPreviewPanel->View(), &CPreviewWidget::PointHovered, m_stcPaletteView,
            [this](const CPreviewPoint& point) {
                m_stcPaletteView->SetMarkedIndex(point.m_bInFrame ? point.m_iIndex : -1);
            });
    connect(m_stcPaletteView, &CPaletteView::IndexClicked, this, &CMainDlg::SetCurrentIndex);
    connect(m_pPreviewPanel, &CPreviewPanel::ToolPressed, this, &CMainDlg::OnToolPressed);
    connect(m_pPreviewPanel, &CPreviewPanel::ToolDragged, this, &CMainDlg::OnToolDragged);
    connect(m_pPreviewPanel, &CPreviewPanel::ToolReleased, this, &CMainDlg::OnToolReleased);
    connect(m_pPreviewPanel, &CPreviewPanel::ReplaceIndexRequested, this,
            &CMainDlg::OnReplaceIndex);

    BindKeys();

    auto* about = new QAction(tr("关于 Spritewright..."), this);
    about->setShortcut(QKeySequence(Qt::Key_F1));
    about->setShortcutContext(Qt::WindowShortcut);
    connect(about, &QAction::triggered, this, &CMainDlg::OnAbout);
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void CMainDlg::BindKeys()
{
    const auto key = [](QKeyCombination combination) { return QKeySequence(combination); };
    const struct {
        QPushButton* button;
        QList<QKeySequence> keys;
    } bindings[] = {
        {m_btnNew, {key(Qt::CTRL | Qt::Key_N)}},
        {m_btnOpen, {key(Qt::CTRL | Qt::Key_O)}},
        {m_btnSave, {key(Qt::CTRL | Qt::Key_S)}},
        {m_btnSaveAs, {key(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}},
        {m_btnClose, {key(Qt::CTRL | Qt::Key_W)}},
        {m_btnExit, {key(Qt::CTRL | Qt::Key_Q)}},
        {m_btnDeleteFrame, {key(Qt::Key_Delete)}},
        {m_btnImport, {key(Qt::CTRL | Qt::Key_I)}},
        {m_btnExport, {key(Qt::CTRL | Qt::Key_E)}},
        {m_btnUndo, {key(Qt::CTRL | Qt::Key_Z)}},
        {m_btnRedo, {key(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), key(Qt::CTRL | Qt::Key_Y)}},
    };
    for (const auto& binding : bindings) {
        QPushButton* button = binding.button;
        auto* shortcut = new QShortcut(this);
        shortcut->setKeys(binding.keys);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isEnabled())
                button->click();
        });
        QStringList names;
        for (const QKeySequence& keys : binding.keys)
            names.push_back(keys.toString(QKeySequence::NativeText));
        button->setProperty("keys", names.join(", "));
        button->setToolTip(button->text().remove("...") + " (" + names.join(", ") + ")");
    }
}

void CMainDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Enter:
    case Qt::Key_Return:
        event->ignore();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CMainDlg::OnInitDialog()
{
    m_bDocLoaded = 0;
    m_bUntitled = 0;
    SetSaved(1);
    LoadPaletteCatalogue();
    m_nFilterIndex = 0;
    m_strVersion = "1.02";
    ShowLogo();
    if (!m_strStartPath.isEmpty())
        OpenDocument(m_strStartPath);
    RefreshState();
}

CUserInteraction::Answer CMainDlg::Message(const QString& text, const QString& caption,
                                           CUserInteraction::Buttons buttons,
                                           CUserInteraction::Icon icon)
{
    return m_pInteraction->MessageBox(this, text, caption, buttons, icon);
}

void CMainDlg::SetSaved(int saved)
{
    m_bSaved = saved;
    RefreshState();
}

void CMainDlg::RefreshState()
{
    const bool loaded = m_bDocLoaded == 1;
    DC6FileHeader header{};
    if (loaded)
        m_DC6File.GetDC6FileHeader(header);
    for (QPushButton* button :
         {m_btnChangeOffset, m_btnImport, m_btnExport, m_btnExportAll, m_btnShowFrames,
          m_btnExportSheet, m_btnAddDirection, m_btnInsertDirection, m_btnAddFrame,
          m_btnInsertFrame, m_btnSave, m_btnSaveAs, m_btnClose})
        button->setEnabled(loaded);
    m_btnDeleteDirection->setEnabled(loaded && header.m_iDirections > 1);
    m_btnDeleteFrame->setEnabled(loaded && header.m_iFramesPerDirection > 1);
    UpdateUndoButtons();

    QString title = "Spritewright | " + m_strVersion;
    if (m_bUntitled == 1 || m_bDocLoaded == 1 || m_bSaved == 0) {
        title += " - ";
        if (m_strFileName.isEmpty())
            title += "[Untitled*]";
        else
            title += "[" + m_strFileName + (m_bSaved == 1 ? "]" : " *]");
    }
    setWindowTitle(title);
}

void CMainDlg::UpdateUndoButtons()
{
    const bool undo = m_History.CanUndo();
    const bool redo = m_History.CanRedo();
    m_btnUndo->setEnabled(undo);
    m_btnRedo->setEnabled(redo);
    m_btnUndo->setText(undo ? tr("撤销 %1").arg(m_History.Stack().undoText()) : tr("撤销"));
    m_btnRedo->setText(redo ? tr("重做 %1").arg(m_History.Stack().redoText()) : tr("重做"));
    for (QPushButton* button : {m_btnUndo, m_btnRedo})
        button->setToolTip(button->text() + " (" + button->property("keys").toString() + ")");
}

void CMainDlg::ShowStatus(const QString& text)
{
    m_pStatusBar->showMessage(text);
}

void CMainDlg::LoadPaletteCatalogue()
{
    m_cboPalette->clear();
    m_nPaletteEntry = -1;
    const auto folder = DataFolder() / kPaletteFolder;
    const auto names = ReadPaletteCatalogue(folder / kCatalogueFile);
    if (!names) {
        Message("data\\pal\\palettes.ini, Not Found", "Error", CUserInteraction::Buttons::Ok,
                CUserInteraction::Icon::Error);
    } else if (!names->empty()) {
        QStringList entries;
        for (const std::string& name : *names)
            entries.push_back(QString::fromStdString(name));
        // Sorted as a sorted combo box sorts: by text, ignoring case.
        std::stable_sort(entries.begin(), entries.end(), [](const QString& a, const QString& b) {
            return QString::compare(a, b, Qt::CaseInsensitive) < 0;
        });
        m_cboPalette->addItems(entries);
        const QString first = QString::fromStdString(names->front());
        const auto selected =
            std::find_if(entries.begin(), entries.end(), [&](const QString& entry) {
                return entry.startsWith(first, Qt::CaseInsensitive);
            });
        m_nPaletteEntry = static_cast<int>(selected - entries.begin());
        ReadPaletteFile(PaletteFilePath(folder, names->front()), m_Palette.data(), 256);
    }
    AddUserPalettes();
    m_cboPalette->setCurrentIndex(m_nPaletteEntry);
    m_stcPaletteView->SetPalette(m_Palette);
    SetCurrentIndex(m_nCurrentIndex);
}

void CMainDlg::OnSelChangePalette()
{
    const QVariant userFile = m_cboPalette->currentData();
    if (userFile.isValid()) {
        if (!ReadUserPalette(userFile.toString())) {
            m_cboPalette->setCurrentIndex(m_nPaletteEntry);
            return;
        }
    } else {
        const QString name = m_cboPalette->currentText();
        ReadPaletteFile(PaletteFilePath(DataFolder() / kPaletteFolder, name.toStdString()),
                        m_Palette.data(), 256);
    }
    m_nPaletteEntry = m_cboPalette->currentIndex();
    ShowPalette();
}

void CMainDlg::ShowPalette()
{
    m_stcPaletteView->SetPalette(m_Palette);
    SetCurrentIndex(m_nCurrentIndex);
    if (m_bDocLoaded == 1)
        ShowFrame(SelectedFrameIndex());
}

int CMainDlg::SelectedFrameIndex() const
{
    const int direction = m_cboDirection->currentIndex();
    const int frame = m_lstFrame->currentRow();
    DC6FileHeader header;
    if (direction < 0 || frame < 0 || !m_DC6File.GetDC6FileHeader(header))
        return -1;
    return direction * header.m_iFramesPerDirection + frame;
}

void CMainDlg::OnSelChangeFrame()
{
    const int index = SelectedFrameIndex();
    if (index >= 0)
        ShowFrame(index);
}

void CMainDlg::ShowFrame(int index)
{
    DC6FileHeader file;
    DC6FrameHeader header;
    if (!m_DC6File.GetDC6FileHeader(file) || !m_DC6File.GetDC6FrameHeader(index, header))
        return;

    // The frame on its direction's canvas, the frame before it (the last one
    // before frame 0) as the onion skin, and where it stands for playback.
    const int frames = file.m_iFramesPerDirection;
    const int direction = index / frames;
    const int number = index % frames;
    const CPreviewFrame previous =
        frames > 1 ? PreviewFrame(m_DC6File, direction * frames + (number + frames - 1) % frames)
                   : CPreviewFrame{};
    m_pPreviewPanel->ShowFrame(PreviewFrame(m_DC6File, index), previous,
                               DirectionCanvas(m_DC6File, direction), m_Palette, number,
                               m_bDocLoaded == 1 ? frames : 0);

    if (m_bDocLoaded == 1) {
        m_strWidth = QString::number(header.m_iWidth);
        m_strHeight = QString::number(header.m_iHeight);
        m_strOffsetX = QString::number(header.m_iOffsetX);
        m_strOffsetY = QString::number(header.m_iOffsetY);
    } else {
        m_strWidth.clear();
        m_strHeight.clear();
        m_strOffsetX.clear();
        m_strOffsetY.clear();
    }
    UpdateInfoFields();
}

void CMainDlg::UpdateInfoFields()
{
    m_edtWidth->setText(m_strWidth);
    m_edtHeight->setText(m_strHeight);
    m_edtOffsetX->setText(m_strOffsetX);
    m_edtOffsetY->setText(m_strOffsetY);
}

void CMainDlg::ShowLogo()
{
    if (m_DC6File.LoadDC6(DataFolder() / kLogoFile))
        ShowFrame(0);
}

void CMainDlg::ClearFrameLists()
{
    const QSignalBlocker blockFrames(m_lstFrame);
    const QSignalBlocker blockDirections(m_cboDirection);
    m_lstFrame->clear();
    m_cboDirection->clear();
}

void CMainDlg::FillFrameLists()
{
    DC6FileHeader header{};
    m_DC6File.GetDC6FileHeader(header);
    QStringList frames;
    frames.reserve(header.m_iFramesPerDirection);
    for (int f = 0; f < header.m_iFramesPerDirection; ++f)
        frames.push_back(QString::asprintf("%04d", f));
    QStringList directions;
    directions.reserve(header.m_iDirections);
    for (int d = 0; d < header.m_iDirections; ++d)
        directions.push_back(QString::asprintf("%02d", d));

    const QSignalBlocker blockFrames(m_lstFrame);
    const QSignalBlocker blockDirections(m_cboDirection);
    m_lstFrame->clear();
    m_cboDirection->clear();
    m_lstFrame->addItems(frames);
    m_cboDirection->addItems(directions);
    m_cboDirection->setCurrentIndex(0);
    m_lstFrame->setCurrentRow(0);
}

int CMainDlg::PromptSaveChanges()
{
    if (m_bSaved == 1 || m_bDocLoaded == 0)
        return 1;
    switch (Message("Changes Not Saved!!.\nDo You want to save before quitting?", "Not Saved",
                    CUserInteraction::Buttons::YesNoCancel, CUserInteraction::Icon::Exclamation)) {
    case CUserInteraction::Answer::No:
        return 1;
    case CUserInteraction::Answer::Yes:
        OnFileSave();
        if (m_bSaved == 1 || m_bDocLoaded == 0)
            return 1;
        Message("Data still not saved!!! Returning to program", "Error",
                CUserInteraction::Buttons::Ok, CUserInteraction::Icon::Error);
        return 0;
    default:
        return 0;
    }
}

void CMainDlg::OnFileNew()
{
    StopPlayback();
    if (!PromptSaveChanges())
        return;
    ClearFrameLists();
    m_DC6File.NewDC6(1, 1);
    FillFrameLists();
    m_bDocLoaded = 1;
    m_bUntitled = 1;
    m_strFileName.clear();
    ShowFrame(0);
    RestartHistory(false);
}

QString CMainDlg::DC6FileDialog(bool save)
{
    CUserInteraction::FileRequest request;
    request.bSave = save;
    request.filters = FileFilters(kDC6Filters);
    request.strDefaultSuffix = "dc6";
    return FileDialog(request);
}

QString CMainDlg::FileDialog(CUserInteraction::FileRequest& request)
{
    if (request.strFolder.isEmpty())
        request.strFolder = m_strLastFolder;
    const QString path = m_pInteraction->FileDialog(this, request);
    RememberFolder(path, request.bFolder);
    return path;
}

void CMainDlg::RememberFolder(const QString& path, bool isFolder)
{
    if (!path.isEmpty())
        m_strLastFolder = isFolder ? path : QFileInfo(path).absolutePath();
}

QString CMainDlg::DroppedFile(const QMimeData* mime) const
{
    if (mime == nullptr || !mime->hasUrls() || mime->urls().isEmpty() ||
        !mime->urls().front().isLocalFile())
        return {};
    return mime->urls().front().toLocalFile();
}

bool CMainDlg::DropsOnPreview(const QPoint& position) const
{
    return m_pPreviewPanel->rect().contains(m_pPreviewPanel->mapFrom(this, position));
}

namespace {

// A sprite by its extension, or by a header the reader takes, so that a
// sprite saved under another name opens too.
bool IsDC6File(const QString& path)
{
    if (path.endsWith(".dc6", Qt::CaseInsensitive))
        return true;
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(sizeof(DC6FileHeader));
    DC6FileHeader header;
    return CDC6File().ReadDC6Header(
        {reinterpret_cast<const uint8_t*>(head.constData()), static_cast<size_t>(head.size())},
        header);
}

} // namespace

void CMainDlg::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainDlg::dragMoveEvent(QDragMoveEvent* event)
{
    const QString path = DroppedFile(event->mimeData());
    const bool image = m_bDocLoaded == 1 && DropsOnPreview(event->position().toPoint());
    if (!path.isEmpty() && (IsDC6File(path) || image))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CMainDlg::dropEvent(QDropEvent* event)
{
    const QString path = DroppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    StopPlayback();
    if (IsDC6File(path)) {
        if (PromptSaveChanges())
            OpenDocument(path);
    } else if (m_bDocLoaded == 1 && DropsOnPreview(event->position().toPoint())) {
        ImportFile(path);
    }
}

void CMainDlg::OnFileOpen()
{
    StopPlayback();
    if (!PromptSaveChanges())
        return;
    const QString path = DC6FileDialog(false);
    if (!path.isEmpty())
        OpenDocument(path);
}

int CMainDlg::OpenDocument(const QString& path)
{
    ClearFrameLists();
    m_pPreviewPanel->Clear();
    if (m_DC6File.LoadDC6(path.toStdString())) {
        m_strFileName = QString::fromStdString(m_DC6File.GetFileNamePart(true, false));
        FillFrameLists();
        m_bDocLoaded = 1;
        m_bUntitled = 0;
        RestartHistory(true);
        ShowFrame(0);
        RememberFolder(path, false);
        ShowStatus(tr("已打开 %1").arg(QDir::toNativeSeparators(path)));
        return 1;
    }
    // Nothing may work on the half-read document or save it over the file:
    // the window goes back to the logo, as after Close. A file that other
    // writers left with wrong flags can be repaired: say how.
    QString error = QString::fromStdString(m_DC6File.GetLastErrorText());
    CDC6File repairable;
    std::string repaired;
    if (repairable.LoadDC6Repaired(path.toStdString(), repaired) && !repaired.empty()) {
        const QFileInfo file(path);
        error += "\n\nOnly the header's flags field is out of place. A conforming copy can be "
                 "written with:\nspritewright-cli repair \"" +
                 path + "\" -o \"" +
                 file.dir().filePath(file.completeBaseName() + "-repaired.dc6") + "\"";
    }
    m_bDocLoaded = 0;
    m_bUntitled = 0;
    RestartHistory(true);
    ShowLogo();
    Message(error, "Error", CUserInteraction::Buttons::Ok, CUserInteraction::Icon::None);
    return 0;
}

void CMainDlg::OnFileClose()
{
    StopPlayback();
    if (!PromptSaveChanges())
        return;
    ClearFrameLists();
    m_bDocLoaded = 0;
    m_bUntitled = 0;
    RestartHistory(true);
    ShowLogo();
}

void CMainDlg::OnFileSave()
{
    if (m_bUntitled == 1) {
        OnFileSaveAs();
        return;
    }
    if (m_DC6File.SaveDC6()) {
        m_History.SetSaved();
        SetSaved(1);
        ShowStatus(SavedText());
    } else {
        Message(QString::fromStdString(m_DC6File.GetLastErrorText()), "Error",
                CUserInteraction::Buttons::Ok, CUserInteraction::Icon::Error);
    }
}

void CMainDlg::OnFileSaveAs()
{
    if (m_lstFrame->count() < 1 || m_cboDirection->count() < 1 || m_bDocLoaded != 1)
        return;
    const QString path = DC6FileDialog(true);
    if (path.isEmpty())
        return;
    if (m_DC6File.SaveDC6(path.toStdString())) {
        m_strFileName = QString::fromStdString(m_DC6File.GetFileNamePart(true, false));
        m_bUntitled = 0;
        m_History.SetSaved();
        SetSaved(1);
        ShowStatus(SavedText());
    } else {
        Message(QString::fromStdString(m_DC6File.GetLastErrorText()), "Error",
                CUserInteraction::Buttons::Ok, CUserInteraction::Icon::Error);
    }
}

QString CMainDlg::SavedText() const
{
    return tr("已保存 %1").arg(QString::fromStdString(m_DC6File.GetFileNamePart(true, false)));
}

void CMainDlg::StopPlayback()
{
    m_pPreviewPanel->StopPlayback();
    m_pPreviewPanel->EndStroke();
}

void CMainDlg::OnPreviewFrameRequested(int frame)
{
    if (frame >= 0 && frame < m_lstFrame->count())
        m_lstFrame->setCurrentRow(frame);
}

void CMainDlg::OnAbout()
{
    CAboutDlg about(windowIcon(), this);
    m_pInteraction->ExecDialog(about);
}

void CMainDlg::reject()
{
    if (PromptSaveChanges())
        QDialog::reject();
}
