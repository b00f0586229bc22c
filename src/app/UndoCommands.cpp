#include "UndoCommands.h"

#include "GridEdit.h"

#include <cstring>

namespace {

bool SameFrame(const DC6Frame& a, const DC6Frame& b)
{
    return std::memcmp(&a.m_DC6FrameHeader, &b.m_DC6FrameHeader, sizeof(DC6FrameHeader)) == 0 &&
           a.m_ImageData == b.m_ImageData;
}

} // namespace

CSpriteCommand::CSpriteCommand(CUndoTarget& target, const QString& text)
    : QUndoCommand(text), m_Target(target)
{
}

int CSpriteCommand::FrameIndex(const CFramePosition& position) const
{
    DC6FileHeader header{};
    m_Target.doc.GetDC6FileHeader(header);
    return position.nDirection * header.m_iFramesPerDirection + position.nFrame;
}

void CSpriteCommand::Show(const CFramePosition& position) const
{
    if (m_Target.Changed)
        m_Target.Changed(position);
}

int64_t CSpriteCommand::FrameBytes(const DC6Frame& frame)
{
    return static_cast<int64_t>(sizeof(DC6Frame) + frame.m_ImageData.capacity());
}

CFramePixelsCommand::CFramePixelsCommand(CUndoTarget& target, const QString& text,
                                         std::vector<CFrameChange> changes)
    : CSpriteCommand(target, text), m_Changes(std::move(changes))
{
}

void CFramePixelsCommand::Put(bool after)
{
    for (const CFrameChange& change : m_Changes) {
        DC6Frame frame = after ? change.after : change.before;
        m_Target.doc.SwapDC6Frame(FrameIndex(change.position), frame);
    }
    if (!m_Changes.empty())
        Show(m_Changes.front().position);
}

void CFramePixelsCommand::redo()
{
    Put(true);
}

void CFramePixelsCommand::undo()
{
    Put(false);
}

int64_t CFramePixelsCommand::Bytes() const
{
    int64_t bytes = sizeof(*this);
    for (const CFrameChange& change : m_Changes)
        bytes += FrameBytes(change.before) + FrameBytes(change.after);
    return bytes;
}

void CFramePixelsCommand::Release()
{
    m_Changes = {};
}

COffsetCommand::COffsetCommand(CUndoTarget& target, const QString& text, CFramePosition position,
                               int oldX, int oldY, int newX, int newY)
    : CSpriteCommand(target, text), m_Position(position), m_nOldX(oldX), m_nOldY(oldY),
      m_nNewX(newX), m_nNewY(newY)
{
}

void COffsetCommand::Put(int x, int y)
{
    const int index = FrameIndex(m_Position);
    m_Target.doc.SetFrameOffsetX(index, x);
    m_Target.doc.SetFrameOffsetY(index, y);
    Show(m_Position);
}

void COffsetCommand::redo()
{
    Put(m_nNewX, m_nNewY);
}

void COffsetCommand::undo()
{
    Put(m_nOldX, m_nOldY);
}

int64_t COffsetCommand::Bytes() const
{
    return sizeof(*this);
}

CGridCommand::CGridCommand(CUndoTarget& target, const QString& text, Change change,
                           std::vector<KeptFrame> kept, CFramePosition shownDone,
                           CFramePosition shownUndone)
    : CSpriteCommand(target, text), m_Change(change), m_Kept(std::move(kept)),
      m_ShownDone(shownDone), m_ShownUndone(shownUndone)
{
}

void CGridCommand::Grow()
{
    // Each insertion succeeded on this very grid before.
    CDC6File& doc = m_Target.doc;
    std::string error;
    DC6FileHeader header{};
    doc.GetDC6FileHeader(header);
    for (int i = 0; i < m_Change.nCount; ++i) {
        if (m_Change.lines == Lines::Directions)
            m_Change.nAt < header.m_iDirections ? InsertDirection(doc, m_Change.nAt, error)
                                                : AddDirection(doc, error);
        else
            m_Change.nAt < header.m_iFramesPerDirection
                ? InsertFrameNumber(doc, m_Change.nAt, error)
                : AddFrameNumber(doc, error);
    }
}

void CGridCommand::Shrink()
{
    std::string error;
    for (int i = 0; i < m_Change.nCount; ++i) {
        if (m_Change.lines == Lines::Directions)
            DeleteDirection(m_Target.doc, m_Change.nAt, error);
        else
            DeleteFrameNumber(m_Target.doc, m_Change.nAt, error);
    }
}

void CGridCommand::Exchange()
{
    for (KeptFrame& kept : m_Kept)
        m_Target.doc.SwapDC6Frame(FrameIndex(kept.position), kept.frame);
}

void CGridCommand::redo()
{
    if (!m_bPushed) {
        m_bPushed = true;
    } else if (m_Change.bInsert) {
        Grow();
        Exchange();
    } else {
        Exchange();
        Shrink();
    }
    Show(m_ShownDone);
}

void CGridCommand::undo()
{
    if (m_Change.bInsert) {
        Exchange();
        Shrink();
    } else {
        Grow();
        Exchange();
    }
    Show(m_ShownUndone);
}

int64_t CGridCommand::Bytes() const
{
    int64_t bytes = sizeof(*this);
    for (const KeptFrame& kept : m_Kept)
        bytes += sizeof(KeptFrame) - sizeof(DC6Frame) + FrameBytes(kept.frame);
    return bytes;
}

void CGridCommand::Release()
{
    m_Kept = {};
}

CGridCommand* CGridCommand::AfterFramesWritten(CUndoTarget& target, const QString& text,
                                               int direction, int frame, int added,
                                               std::vector<DC6Frame> before)
{
    DC6FileHeader header{};
    target.doc.GetDC6FileHeader(header);
    std::vector<KeptFrame> kept;
    const int last = frame + added + static_cast<int>(before.size());
    for (int f = frame; f < last && f < header.m_iFramesPerDirection; ++f) {
        // In front of the old frames: the blank ones the insertion made.
        DC6Frame old = f < frame + added
                           ? CDC6File::CreateFrame()
                           : std::move(before[static_cast<size_t>(f - frame - added)]);
        DC6Frame now;
        target.doc.GetDC6Frame(direction * header.m_iFramesPerDirection + f, now);
        if (!SameFrame(old, now))
            kept.push_back({{direction, f}, std::move(old)});
    }
    const CFramePosition shown{direction, frame};
    return new CGridCommand(target, text, {Lines::FrameNumbers, frame, added, true},
                            std::move(kept), shown, shown);
}

CUndoHistory::CUndoHistory()
{
    m_Stack.setUndoLimit(kMaxSteps);
}

void CUndoHistory::Push(CSpriteCommand* step)
{
    m_Stack.push(step);
    GiveUpOldest();
}

void CUndoHistory::GiveUpOldest()
{
    int64_t bytes = Bytes();
    // The stack owns its steps and hands them out read-only; a step given up
    // frees its frames and is marked obsolete, and CanUndo stops before it.
    for (int i = 0; bytes > kMaxBytes && i < m_Stack.index() - 1; ++i) {
        auto* step =
            const_cast<CSpriteCommand*>(static_cast<const CSpriteCommand*>(m_Stack.command(i)));
        if (step->isObsolete())
            continue;
        bytes -= step->Bytes();
        step->Release();
        step->setObsolete(true);
        bytes += step->Bytes();
    }
}

bool CUndoHistory::CanUndo() const
{
    return m_Stack.canUndo() && !m_Stack.command(m_Stack.index() - 1)->isObsolete();
}

void CUndoHistory::Undo()
{
    if (CanUndo())
        m_Stack.undo();
}

void CUndoHistory::Redo()
{
    m_Stack.redo();
}

int64_t CUndoHistory::Bytes() const
{
    int64_t bytes = 0;
    for (int i = 0; i < m_Stack.count(); ++i)
        bytes += static_cast<const CSpriteCommand*>(m_Stack.command(i))->Bytes();
    return bytes;
}

void CUndoHistory::Restart(bool saved)
{
    m_Stack.clear();
    if (saved)
        m_Stack.setClean();
    else
        m_Stack.resetClean();
}
