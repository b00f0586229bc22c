#pragma once

// The steps of the window's undo history. Each step keeps only what it must
// restore (the frames an edit removed or overwrote, two offsets), never a
// copy of the document; the edits themselves are the core's.

#include "DC6File.h"

#include <QString>
#include <QUndoCommand>
#include <QUndoStack>

#include <cstdint>
#include <functional>
#include <vector>

// A frame by direction and frame number.
struct CFramePosition {
    int nDirection = 0;
    int nFrame = 0;
};

// What the steps work on: the document, and whom to tell after a step was
// done or undone, with the frame it concerns (the window selects and shows
// it).
struct CUndoTarget {
    CDC6File& doc;
    std::function<void(const CFramePosition&)> Changed;
};

class CSpriteCommand : public QUndoCommand {
public:
    // The bytes the step holds, counted against the history's bound.
    virtual int64_t Bytes() const = 0;
    // Frees what the step holds; the history no longer undoes it.
    virtual void Release() = 0;

protected:
    CSpriteCommand(CUndoTarget& target, const QString& text);
    // The flat index of `position` in the grid the document has now.
    int FrameIndex(const CFramePosition& position) const;
    void Show(const CFramePosition& position) const;
    static int64_t FrameBytes(const DC6Frame& frame);

    CUndoTarget& m_Target;
};

// Frames whose pixels (and header) an edit replaced, the grid unchanged.
struct CFrameChange {
    CFramePosition position;
    DC6Frame before;
    DC6Frame after;
};

class CFramePixelsCommand final : public CSpriteCommand {
public:
    // Doing the step puts every change's `after` into its frame, undoing it
    // puts `before` back. Pushing it does it, which changes nothing when the
    // document holds `after` already. The window shows the first change's
    // frame.
    CFramePixelsCommand(CUndoTarget& target, const QString& text,
                        std::vector<CFrameChange> changes);
    void redo() override;
    void undo() override;
    int64_t Bytes() const override;
    void Release() override;

private:
    void Put(bool after);

    std::vector<CFrameChange> m_Changes;
};

// A frame's offsets changed.
class COffsetCommand final : public CSpriteCommand {
public:
    COffsetCommand(CUndoTarget& target, const QString& text, CFramePosition position, int oldX,
                   int oldY, int newX, int newY);
    void redo() override;
    void undo() override;
    int64_t Bytes() const override;
    void Release() override {}

private:
    void Put(int x, int y);

    CFramePosition m_Position;
    int m_nOldX, m_nOldY, m_nNewX, m_nNewY;
};

// A change of the grid: `nCount` directions or frame numbers inserted at
// `nAt` (or deleted there), and the frames of the larger grid that differ
// from the blank ones an insertion gives. It is made after the edit was
// done: pushing it only shows the result. The kept frames are exchanged
// with the document's, so that the step holds the frames the document
// lacks: the deleted or overwritten ones while done, blank or new ones
// while undone.
class CGridCommand final : public CSpriteCommand {
public:
    enum class Lines { Directions, FrameNumbers };
    struct Change {
        Lines lines;
        int nAt;
        int nCount;
        bool bInsert;
    };
    struct KeptFrame {
        CFramePosition position; // in the larger grid
        DC6Frame frame;
    };

    CGridCommand(CUndoTarget& target, const QString& text, Change change,
                 std::vector<KeptFrame> kept, CFramePosition shownDone, CFramePosition shownUndone);
    void redo() override;
    void undo() override;
    int64_t Bytes() const override;
    void Release() override;

    // The step for an edit that inserted `added` frame numbers at `frame`
    // and then wrote frames of `direction` from `frame` on; `before` holds
    // that direction's frames from `frame` to its end as they were. Only
    // the frames that differ are kept.
    static CGridCommand* AfterFramesWritten(CUndoTarget& target, const QString& text, int direction,
                                            int frame, int added, std::vector<DC6Frame> before);

private:
    void Grow();
    void Shrink();
    void Exchange();

    Change m_Change;
    std::vector<KeptFrame> m_Kept;
    CFramePosition m_ShownDone;
    CFramePosition m_ShownUndone;
    bool m_bPushed = false;
};

// The undo history: at most kMaxSteps steps, holding at most kMaxBytes
// bytes together; beyond either bound the oldest steps are given up first.
// The newest step is always kept, however large.
class CUndoHistory {
public:
    static constexpr int kMaxSteps = 100;
    static constexpr int64_t kMaxBytes = int64_t{256} << 20;

    CUndoHistory();
    QUndoStack& Stack() { return m_Stack; }
    const QUndoStack& Stack() const { return m_Stack; }

    void Push(CSpriteCommand* step);
    bool CanUndo() const;
    bool CanRedo() const { return m_Stack.canRedo(); }
    void Undo();
    void Redo();
    // The bytes all steps hold.
    int64_t Bytes() const;
    // Forgets every step. A saved document is clean as it is; an unsaved
    // one is never clean until it is saved.
    void Restart(bool saved);
    // The document was saved as it is now.
    void SetSaved() { m_Stack.setClean(); }

private:
    void GiveUpOldest();

    QUndoStack m_Stack;
};
