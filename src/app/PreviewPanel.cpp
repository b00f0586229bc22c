#include "PreviewPanel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

template <typename T> T* Named(T* widget, const char* name)
{
    widget->setObjectName(name);
    return widget;
}

QPushButton* ViewerButton(const QString& caption, const char* name)
{
    auto* button = Named(new QPushButton(caption), name);
    button->setAutoDefault(false);
    // A click leaves the focus in the preview, where Space, the arrows and
    // the tools' keys work.
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

} // namespace

CPreviewPanel::CPreviewPanel(QWidget* parent) : QWidget(parent)
{
    BuildControls();
    RefreshPlaybackControls();
}

void CPreviewPanel::BuildControls()
{
    m_stcPreview = Named(new CPreviewWidget, "m_stcPreview");
    m_stcPreview->setMinimumSize(260, 240);

    m_cboZoom = Named(new QComboBox, "m_cboZoom");
    for (int step : CPreviewWidget::kZoomSteps)
        m_cboZoom->addItem(tr("%1%").arg(step * 100), step);
    m_cboZoom->setToolTip(tr("放大 Ctrl+=, 缩小 Ctrl+-, 原始大小 Ctrl+0, Ctrl+滚轮"));
    m_btnZoomFit = Named(new QPushButton(tr("适合")), "m_btnZoomFit");
    m_btnZoomFit->setAutoDefault(false);
    m_chkCheckerboard = Named(new QCheckBox(tr("透明背景")), "m_chkCheckerboard");
    m_chkRegistered = Named(new QCheckBox(tr("按位移显示")), "m_chkRegistered");
    m_chkOnionSkin = Named(new QCheckBox(tr("洋葱皮")), "m_chkOnionSkin");
    m_chkOnionSkin->setEnabled(false);
    auto* view = new QHBoxLayout;
    view->addWidget(new QLabel(tr("缩放")));
    view->addWidget(m_cboZoom);
    view->addWidget(m_btnZoomFit);
    view->addStretch(1);
    view->addWidget(m_chkCheckerboard);
    view->addWidget(m_chkRegistered);
    view->addWidget(m_chkOnionSkin);

    m_btnPreviousFrame = ViewerButton(tr("上一帧"), "m_btnPreviousFrame");
    m_btnPlay = ViewerButton(tr("播放"), "m_btnPlay");
    m_btnPlay->setToolTip(tr("空格"));
    m_btnNextFrame = ViewerButton(tr("下一帧"), "m_btnNextFrame");
    m_spnFps = Named(new QSpinBox, "m_spnFps");
    m_spnFps->setRange(1, kMaxFps);
    m_spnFps->setValue(kDefaultFps);
    m_spnFps->setSuffix(tr(" 帧/秒"));
    m_cboPlayMode = Named(new QComboBox, "m_cboPlayMode");
    m_cboPlayMode->addItems({tr("循环"), tr("往返")});
    auto* playback = new QHBoxLayout;
    for (QWidget* widget :
         {static_cast<QWidget*>(m_btnPreviousFrame), static_cast<QWidget*>(m_btnPlay),
          static_cast<QWidget*>(m_btnNextFrame)})
        playback->addWidget(widget);
    playback->addStretch(1);
    playback->addWidget(new QLabel(tr("帧率")));
    playback->addWidget(m_spnFps);
    playback->addWidget(m_cboPlayMode);

    BuildTools();

    m_stcReadout = Named(new QLabel, "m_stcReadout");
    m_stcReadout->setMinimumHeight(m_stcReadout->fontMetrics().height());
    m_stcReadout->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* tools = new QHBoxLayout;
    tools->addWidget(new QLabel(tr("工具")));
    for (QPushButton* button :
         {m_btnPencil, m_btnEraser, m_btnEyedropper, m_btnFill, m_btnReplaceIndex})
        tools->addWidget(button);
    tools->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(view);
    layout->addLayout(tools);
    layout->addWidget(m_stcPreview, 1);
    layout->addLayout(playback);
    layout->addWidget(m_stcReadout);

    m_tmrPlayback = new QTimer(this);
    m_tmrPlayback->setObjectName("m_tmrPlayback");
    m_tmrPlayback->setTimerType(Qt::PreciseTimer);
    m_tmrPlayback->setSingleShot(true);

    connect(m_cboZoom, &QComboBox::activated, this,
            [this](int item) { m_stcPreview->SetZoom(m_cboZoom->itemData(item).toInt()); });
    connect(m_stcPreview, &CPreviewWidget::ZoomChanged, this,
            [this](int zoom) { m_cboZoom->setCurrentIndex(m_cboZoom->findData(zoom)); });
    connect(m_btnZoomFit, &QPushButton::clicked, m_stcPreview, &CPreviewWidget::ZoomToFit);
    connect(m_chkCheckerboard, &QCheckBox::toggled, m_stcPreview, &CPreviewWidget::SetCheckerboard);
    connect(m_chkRegistered, &QCheckBox::toggled, this, [this](bool on) {
        m_stcPreview->SetRegistered(on);
        m_chkOnionSkin->setEnabled(on);
    });
    connect(m_chkOnionSkin, &QCheckBox::toggled, m_stcPreview, &CPreviewWidget::SetOnionSkin);
    connect(m_btnPreviousFrame, &QPushButton::clicked, this, [this] { OnStep(-1); });
    connect(m_btnPlay, &QPushButton::clicked, this, &CPreviewPanel::OnPlayPause);
    connect(m_btnNextFrame, &QPushButton::clicked, this, [this] { OnStep(1); });
    connect(m_spnFps, &QSpinBox::valueChanged, this, [this] {
        if (IsPlaying())
            StartPlayback();
    });
    connect(m_tmrPlayback, &QTimer::timeout, this, &CPreviewPanel::OnPlaybackTick);
    connect(m_stcPreview, &CPreviewWidget::PlayPauseRequested, this, &CPreviewPanel::OnPlayPause);
    connect(m_stcPreview, &CPreviewWidget::StepRequested, this, &CPreviewPanel::OnStep);
    connect(m_stcPreview, &CPreviewWidget::PointHovered, this, &CPreviewPanel::OnPointHovered);
    connect(m_stcPreview, &CPreviewWidget::PointerPressed, this, &CPreviewPanel::OnPointerPressed);
    connect(m_stcPreview, &CPreviewWidget::PointerDragged, this, &CPreviewPanel::OnPointerDragged);
    connect(m_stcPreview, &CPreviewWidget::PointerReleased, this,
            &CPreviewPanel::OnPointerReleased);

    // Zoom keys work wherever the focus is in the window.
    const auto zoomKey = [this](QKeyCombination keys, auto slot) {
        connect(new QShortcut(QKeySequence(keys), this), &QShortcut::activated, m_stcPreview, slot);
    };
    zoomKey(Qt::CTRL | Qt::Key_Equal, &CPreviewWidget::ZoomIn);
    zoomKey(Qt::CTRL | Qt::Key_Plus, &CPreviewWidget::ZoomIn);
    zoomKey(Qt::CTRL | Qt::Key_Minus, &CPreviewWidget::ZoomOut);
    zoomKey(Qt::CTRL | Qt::Key_0, [this] { m_stcPreview->SetZoom(1); });
}

void CPreviewPanel::BuildTools()
{
    struct CToolButton {
        QPushButton*& button;
        Tool tool;
        QString caption;
        QString tip;
        Qt::Key key;
        const char* name;
    };
    const CToolButton buttons[] = {
        {m_btnPencil, Tool::Pencil, tr("铅笔"), tr("铅笔: 用当前索引画点和线 (B)"), Qt::Key_B,
         "m_btnPencil"},
        {m_btnEraser, Tool::Eraser, tr("橡皮"), tr("橡皮: 画索引 0 (E)"), Qt::Key_E, "m_btnEraser"},
        {m_btnEyedropper, Tool::Eyedropper, tr("吸管"), tr("吸管: 取点下的索引作当前索引 (I)"),
         Qt::Key_I, "m_btnEyedropper"},
        {m_btnFill, Tool::Fill, tr("填充"), tr("填充: 把相连的同一索引换成当前索引 (G)"), Qt::Key_G,
         "m_btnFill"},
    };
    m_grpTools = new QButtonGroup(this);
    // A second click on the chosen tool puts it down: the preview only looks.
    m_grpTools->setExclusive(false);
    for (const CToolButton& entry : buttons) {
        entry.button = ViewerButton(entry.caption, entry.name);
        entry.button->setCheckable(true);
        entry.button->setToolTip(entry.tip);
        m_grpTools->addButton(entry.button, static_cast<int>(entry.tool));
        // The keys work while the preview has the focus.
        auto* key = new QShortcut(QKeySequence(entry.key), m_stcPreview);
        key->setContext(Qt::WidgetShortcut);
        connect(key, &QShortcut::activated, this, [this, button = entry.button, tool = entry.tool] {
            if (button->isEnabled())
                SetTool(tool);
        });
    }
    connect(m_grpTools, &QButtonGroup::idClicked, this, [this](int id) {
        SetTool(m_grpTools->button(id)->isChecked() ? static_cast<Tool>(id) : Tool::None);
    });
    m_btnReplaceIndex = ViewerButton(tr("替换索引..."), "m_btnReplaceIndex");
    m_btnReplaceIndex->setToolTip(tr("把一个索引的所有点换成另一个索引: 本帧, 本方向或整个精灵"));
    connect(m_btnReplaceIndex, &QPushButton::clicked, this, &CPreviewPanel::ReplaceIndexRequested);
}

void CPreviewPanel::SetTool(Tool tool)
{
    EndStroke();
    m_Tool = tool;
    for (QAbstractButton* button : m_grpTools->buttons())
        button->setChecked(m_grpTools->id(button) == static_cast<int>(tool));
    m_stcPreview->SetEditCursor(ToolsOn());
}

bool CPreviewPanel::ToolsOn() const
{
    return m_Tool != Tool::None && m_iFrameCount > 0 && !IsPlaying();
}

void CPreviewPanel::OnPointerPressed(const CPreviewPoint& point)
{
    if (!ToolsOn() || m_bStroke)
        return;
    m_bStroke = true;
    emit ToolPressed(point);
}

void CPreviewPanel::OnPointerDragged(const CPreviewPoint& point)
{
    if (m_bStroke)
        emit ToolDragged(point);
}

void CPreviewPanel::OnPointerReleased()
{
    EndStroke();
}

void CPreviewPanel::EndStroke()
{
    if (!m_bStroke)
        return;
    m_bStroke = false;
    emit ToolReleased();
}

void CPreviewPanel::SetPixelSource(CPixelSource source)
{
    m_stcPreview->SetPixelSource(std::move(source));
}

void CPreviewPanel::ShowFrame(const CPreviewFrame& frame, const CPreviewFrame& previous,
                              const CDirectionCanvas& canvas, const CPalette& palette, int number,
                              int count)
{
    // A stroke stays on the frame it began on.
    if (frame.m_iKey != m_iShownKey || count == 0)
        EndStroke();
    m_iShownKey = frame.m_iKey;
    m_iFrameNumber = number;
    m_iFrameCount = count;
    if (count < 2)
        StopPlayback();
    RefreshPlaybackControls();
    m_stcPreview->SetFrame(frame, previous, canvas, palette);
}

void CPreviewPanel::Clear()
{
    EndStroke();
    m_iShownKey = -1;
    m_iFrameCount = 0;
    StopPlayback();
    RefreshPlaybackControls();
    m_stcPreview->Clear();
}

void CPreviewPanel::RefreshPlaybackControls()
{
    const bool frames = m_iFrameCount >= 2;
    for (QPushButton* button : {m_btnPreviousFrame, m_btnPlay, m_btnNextFrame})
        button->setEnabled(frames);
    m_btnPlay->setText(IsPlaying() ? tr("暂停") : tr("播放"));
    // The tools are off while a picture outside any document is shown and
    // while playback runs; the replace command stops playback first.
    for (QAbstractButton* button : m_grpTools->buttons())
        button->setEnabled(m_iFrameCount > 0 && !IsPlaying());
    m_btnReplaceIndex->setEnabled(m_iFrameCount > 0);
    m_stcPreview->SetEditCursor(ToolsOn());
}

bool CPreviewPanel::IsPlaying() const
{
    return m_tmrPlayback->isActive();
}

void CPreviewPanel::StartPlayback()
{
    if (m_iFrameCount < 2)
        return;
    EndStroke();
    // Frames play where they are drawn in the game.
    m_chkRegistered->setChecked(true);
    m_iPingPongStep = 1;
    m_clkPlayback.start();
    m_Schedule.Start(m_spnFps->value(), 0);
    m_tmrPlayback->start(m_Schedule.FirstWait());
    RefreshPlaybackControls();
}

void CPreviewPanel::StopPlayback()
{
    m_tmrPlayback->stop();
    RefreshPlaybackControls();
}

void CPreviewPanel::OnPlayPause()
{
    if (IsPlaying())
        StopPlayback();
    else
        StartPlayback();
}

void CPreviewPanel::OnStep(int delta)
{
    if (m_iFrameCount < 1)
        return;
    StopPlayback();
    emit FrameRequested(((m_iFrameNumber + delta) % m_iFrameCount + m_iFrameCount) % m_iFrameCount);
}

void CPreviewPanel::OnPlaybackTick()
{
    m_tmrPlayback->start(m_Schedule.Next(m_clkPlayback.elapsed()));
    int next = m_iFrameNumber + 1;
    if (m_cboPlayMode->currentIndex() == 1) {
        next = m_iFrameNumber + m_iPingPongStep;
        if (next < 0 || next >= m_iFrameCount) {
            m_iPingPongStep = -m_iPingPongStep;
            next = m_iFrameNumber + m_iPingPongStep;
        }
    }
    emit FrameRequested(((next % m_iFrameCount) + m_iFrameCount) % m_iFrameCount);
}

void CPlaybackSchedule::Start(int fps, int64_t nowMs)
{
    m_iFps = fps;
    m_iShown = 0;
    m_iStartMs = nowMs;
}

int CPlaybackSchedule::Next(int64_t nowMs)
{
    ++m_iShown;
    const auto due = [this](int frame) { return m_iStartMs + int64_t{1000} * frame / m_iFps; };
    if (nowMs - due(m_iShown) > 1000 / m_iFps)
        m_iStartMs = nowMs - int64_t{1000} * m_iShown / m_iFps;
    // Every fps frames the schedule is a whole second on: the count stays
    // small however long it plays.
    if (m_iShown == m_iFps) {
        m_iShown = 0;
        m_iStartMs += 1000;
    }
    return static_cast<int>(std::max<int64_t>(0, due(m_iShown + 1) - nowMs));
}

void CPreviewPanel::OnPointHovered(const CPreviewPoint& point)
{
    QString text;
    if (point.m_bInFrame)
        text = tr("帧内 (%1, %2)  相对原点 (%3, %4)  索引 %5  RGB (%6, %7, %8)")
                   .arg(point.m_iFrameX)
                   .arg(point.m_iFrameY)
                   .arg(point.m_iOriginX)
                   .arg(point.m_iOriginY)
                   .arg(point.m_iIndex)
                   .arg(qRed(point.m_rgbColour))
                   .arg(qGreen(point.m_rgbColour))
                   .arg(qBlue(point.m_rgbColour));
    else if (point.m_bOnCanvas)
        text = tr("相对原点 (%1, %2)").arg(point.m_iOriginX).arg(point.m_iOriginY);
    m_stcReadout->setText(text);
}
