// The undo history's memory on a sprite of 32 directions of 16 frames of
// 256 x 256: 100 steps of each kind that keeps frames, the bytes the
// history says it holds next to its bound, and how much the process grew.
// The figure to watch: history_MiB <= bound_MiB, and rss_growth_MiB close
// to history_MiB (the count is honest).

#include "AppBench.h"
#include "GridEdit.h"
#include "UndoCommands.h"

namespace {

constexpr int kDirections = 32;
constexpr int kFrames = 16;
constexpr int kSide = 256;
constexpr int kSteps = 100;

void MakeSprite(CDC6File& doc)
{
    doc.NewDC6(kDirections, kFrames);
    for (int i = 0; i < kDirections * kFrames; ++i) {
        doc.ResizeFrame(i, kSide, kSide);
        doc.SetFramePixel(i, 0, 0, static_cast<uint8_t>(i));
    }
}

// Kind 0: deletes a frame number (its 32 frames kept, 2 MiB while they are
// full pictures) and inserts a blank one, in turn, so that the sprite grows
// blank as the steps go on. Kind 2: repaints a whole frame number (32 frames
// before and after, 4 MiB a step), so that 100 steps would need 400 MiB.
void PushStep(CUndoTarget& target, CUndoHistory& history, int kind, int step)
{
    std::string error;
    const int frame = step % kFrames;
    if (kind == 0 && step % 2 == 0) {
        std::vector<CGridCommand::KeptFrame> kept(kDirections);
        for (int d = 0; d < kDirections; ++d) {
            kept[static_cast<size_t>(d)].position = {d, frame};
            target.doc.GetDC6Frame(d * kFrames + frame, kept[static_cast<size_t>(d)].frame);
        }
        DeleteFrameNumber(target.doc, frame, error);
        history.Push(new CGridCommand(target, "delete",
                                      {CGridCommand::Lines::FrameNumbers, frame, 1, false},
                                      std::move(kept), {0, 0}, {0, frame}));
    } else if (kind == 0) {
        InsertFrameNumber(target.doc, frame, error);
        history.Push(new CGridCommand(target, "insert",
                                      {CGridCommand::Lines::FrameNumbers, frame, 1, true}, {},
                                      {0, frame}, {0, frame}));
    } else {
        std::vector<CFrameChange> changes(kDirections);
        for (int d = 0; d < kDirections; ++d) {
            CFrameChange& change = changes[static_cast<size_t>(d)];
            change.position = {d, frame};
            target.doc.GetDC6Frame(d * kFrames + frame, change.before);
            change.after = change.before;
            std::fill(change.after.m_ImageData.begin(), change.after.m_ImageData.end(),
                      static_cast<uint8_t>(step));
        }
        history.Push(new CFramePixelsCommand(target, "paint", std::move(changes)));
    }
}

void BM_HundredSteps(benchmark::State& state)
{
    const int kind = static_cast<int>(state.range(0));
    double historyBytes = 0;
    double growth = 0;
    int undoable = 0;
    for (auto _ : state) {
        CDC6File doc;
        MakeSprite(doc);
        CUndoTarget target{doc, {}};
        CUndoHistory history;
        const long before = ResidentKiB("VmRSS:");
        for (int step = 0; step < kSteps; ++step)
            PushStep(target, history, kind, step);
        historyBytes = static_cast<double>(history.Bytes());
        growth = static_cast<double>(ResidentKiB("VmRSS:") - before) * 1024.0;
        undoable = 0;
        for (; history.CanUndo(); ++undoable)
            history.Undo();
    }
    state.counters["history_MiB"] = historyBytes / (1 << 20);
    state.counters["bound_MiB"] = static_cast<double>(CUndoHistory::kMaxBytes) / (1 << 20);
    state.counters["rss_growth_MiB"] = growth / (1 << 20);
    state.counters["undoable_steps"] = undoable;
}
BENCHMARK(BM_HundredSteps)
    ->ArgName("kind")
    ->Arg(0)
    ->Arg(2)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunAppBenchmarks(argc, argv);
}
