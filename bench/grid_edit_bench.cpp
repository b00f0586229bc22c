// The grid edits on a sprite of 32 directions x 2,000 frames. Each edit is one
// pass over the frame list; the figure next to it is the time to copy every
// frame record once (the list's headers and pixel buffers moved, not copied),
// measured in the same run.

#include "GridEdit.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kDirections = 32;
constexpr int kFrames = 2000;

using Edit = bool (*)(CDC6File&, std::string&);

// Times `edit` on the sprite; `undo`, untimed, puts the sprite back.
void MeasureEdit(benchmark::State& state, Edit edit, Edit undo)
{
    CDC6File doc;
    doc.NewDC6(kDirections, kFrames);
    std::string error;
    for (auto _ : state) {
        if (!edit(doc, error))
            state.SkipWithError(error.c_str());
        state.PauseTiming();
        undo(doc, error);
        state.ResumeTiming();
    }
    state.counters["frames"] = kDirections * kFrames;
}

bool InsertMiddleFrame(CDC6File& doc, std::string& error)
{
    return InsertFrameNumber(doc, kFrames / 2, error);
}

bool DeleteMiddleFrame(CDC6File& doc, std::string& error)
{
    return DeleteFrameNumber(doc, kFrames / 2, error);
}

bool InsertMiddleDirection(CDC6File& doc, std::string& error)
{
    return InsertDirection(doc, kDirections / 2, error);
}

bool DeleteMiddleDirection(CDC6File& doc, std::string& error)
{
    return DeleteDirection(doc, kDirections / 2, error);
}

// The baseline: copying the frame list's records once.
void BM_CopyFrameList(benchmark::State& state)
{
    std::vector<DC6Frame> frames(kDirections * kFrames, CDC6File::CreateFrame());
    for (auto _ : state) {
        std::vector<DC6Frame> moved;
        moved.reserve(frames.size());
        for (DC6Frame& frame : frames)
            moved.push_back(std::move(frame));
        frames = std::move(moved);
        benchmark::DoNotOptimize(frames.data());
    }
    state.counters["frames"] = kDirections * kFrames;
}

BENCHMARK_CAPTURE(MeasureEdit, insert_frame, InsertMiddleFrame, DeleteMiddleFrame)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MeasureEdit, delete_frame, DeleteMiddleFrame, InsertMiddleFrame)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MeasureEdit, insert_direction, InsertMiddleDirection, DeleteMiddleDirection)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFrameList)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
