// The grid edits on a sprite of 32 directions x 2,000 frames. Each edit is one
// pass over the frame list; the figure next to it is the time to copy every
// frame record once (the list's headers and pixel buffers moved, not copied),
// measured in the same run.

#include "GridEdit.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kDirections = 32;
constexpr int kFrames = 2000;

void BM_InsertFrame(benchmark::State& state)
{
    CDC6File doc;
    doc.NewDC6(kDirections, kFrames);
    std::string error;
    for (auto _ : state) {
        if (!InsertFrameNumber(doc, kFrames / 2, error))
            state.SkipWithError(error.c_str());
        state.PauseTiming();
        DeleteFrameNumber(doc, kFrames / 2, error);
        state.ResumeTiming();
    }
    state.counters["frames"] = kDirections * kFrames;
}

void BM_DeleteFrame(benchmark::State& state)
{
    CDC6File doc;
    doc.NewDC6(kDirections, kFrames);
    std::string error;
    for (auto _ : state) {
        if (!DeleteFrameNumber(doc, kFrames / 2, error))
            state.SkipWithError(error.c_str());
        state.PauseTiming();
        InsertFrameNumber(doc, kFrames / 2, error);
        state.ResumeTiming();
    }
    state.counters["frames"] = kDirections * kFrames;
}

void BM_InsertDirection(benchmark::State& state)
{
    CDC6File doc;
    doc.NewDC6(kDirections, kFrames);
    std::string error;
    for (auto _ : state) {
        if (!InsertDirection(doc, kDirections / 2, error))
            state.SkipWithError(error.c_str());
        state.PauseTiming();
        DeleteDirection(doc, kDirections / 2, error);
        state.ResumeTiming();
    }
    state.counters["frames"] = kDirections * kFrames;
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

BENCHMARK(BM_InsertFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertDirection)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFrameList)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
