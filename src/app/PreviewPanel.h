#pragma once

// The preview with its controls: zoom, checkerboard, registered view and
// onion skin above it, and the touch-up tools; playback of the direction
// below it; and a status line that reads out the pixel under the pointer.
// It plays by asking for frames (FrameRequested), so that whoever owns the
// frame list moves its selection and shows the frame, and it hands what the
// tools do with the pointer to the same owner; it knows nothing of the
// document.

#include "PreviewWidget.h"

#include <QElapsedTimer>
#include <QWidget>

#include <cstdint>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;

// When playback shows its frames: frame n is due n / fps seconds after the
// start, so that a frame shown late shortens the wait for the next one and
// the rate holds. More than a frame behind, the count starts again from the
// frame shown: the animation slows down rather than hurry through what it
// missed.
struct CPlaybackSchedule {
    int m_iFps = 25;
    int m_iShown = 0;
    int64_t m_iStartMs = 0;

    void Start(int fps, int64_t nowMs);
    // A frame was shown at nowMs: the wait in milliseconds before the next.
    int Next(int64_t nowMs);
    int FirstWait() const { return 1000 / m_iFps; }
};

class CPreviewPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int kDefaultFps = 25;
    static constexpr int kMaxFps = 60;

    // What a press in the preview does; None only looks.
    enum class Tool { None, Pencil, Eraser, Eyedropper, Fill };

    explicit CPreviewPanel(QWidget* parent = nullptr);

    CPreviewWidget* View() const { return m_stcPreview; }
    void SetPixelSource(CPixelSource source);
    // Shows frame `number` of a direction of `count` frames; a count of 0
    // (a picture outside any document) offers no playback.
    void ShowFrame(const CPreviewFrame& frame, const CPreviewFrame& previous,
                   const CDirectionCanvas& canvas, const CPalette& palette, int number, int count);
    void Clear();

    bool IsPlaying() const;
    void StopPlayback();

    Tool CurrentTool() const { return m_Tool; }
    // Chooses a tool, as its button or key does.
    void SetTool(Tool tool);
    // The tools work on a frame of a document while nothing plays.
    bool ToolsOn() const;
    // Ends a stroke under way, as a release does.
    void EndStroke();

signals:
    // Playback or a step wants frame `number` of the direction shown.
    void FrameRequested(int number);
    // A tool's press, the moves with the button held, and the release that
    // ends them; a release always follows a press.
    void ToolPressed(const CPreviewPoint& point);
    void ToolDragged(const CPreviewPoint& point);
    void ToolReleased();
    void ReplaceIndexRequested();

private slots:
    void OnPlayPause();
    void OnStep(int delta);
    void OnPlaybackTick();
    void OnPointHovered(const CPreviewPoint& point);
    void OnPointerPressed(const CPreviewPoint& point);
    void OnPointerDragged(const CPreviewPoint& point);
    void OnPointerReleased();

private:
    void BuildControls();
    void BuildTools();
    void RefreshPlaybackControls();
    void StartPlayback();

    CPreviewWidget* m_stcPreview = nullptr;
    QComboBox* m_cboZoom = nullptr;
    QPushButton* m_btnZoomFit = nullptr;
    QCheckBox* m_chkCheckerboard = nullptr;
    QCheckBox* m_chkRegistered = nullptr;
    QCheckBox* m_chkOnionSkin = nullptr;
    QPushButton* m_btnPreviousFrame = nullptr;
    QPushButton* m_btnPlay = nullptr;
    QPushButton* m_btnNextFrame = nullptr;
    QSpinBox* m_spnFps = nullptr;
    QComboBox* m_cboPlayMode = nullptr;
    QLabel* m_stcReadout = nullptr;
    QPushButton* m_btnPencil = nullptr;
    QPushButton* m_btnEraser = nullptr;
    QPushButton* m_btnEyedropper = nullptr;
    QPushButton* m_btnFill = nullptr;
    QPushButton* m_btnReplaceIndex = nullptr;
    QButtonGroup* m_grpTools = nullptr;
    QTimer* m_tmrPlayback = nullptr;
    QElapsedTimer m_clkPlayback;
    CPlaybackSchedule m_Schedule;

    int m_iFrameNumber = 0;
    int m_iFrameCount = 0;
    int m_iShownKey = -1;
    // The way ping-pong goes.
    int m_iPingPongStep = 1;
    Tool m_Tool = Tool::None;
    // A press of a tool was handed on and its release not yet.
    bool m_bStroke = false;
};
