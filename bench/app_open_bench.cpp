// How long the window takes to open a sprite of 32 directions with many
// frames each: reading the file, filling the direction box and the frame
// list, showing frame 0. Time per frame stays flat when the cost is linear.

#include "AppBench.h"
#include "MainDlg.h"

#include <filesystem>

namespace {

void BM_OpenDocument(benchmark::State& state)
{
    const int frames = static_cast<int>(state.range(0));
    const auto folder = BenchFolder("open-bench");
    const auto path = folder / "sprite.dc6";
    CDC6File doc;
    doc.NewDC6(32, frames);
    doc.SaveDC6(path);

    CMainDlg dialog(folder, std::make_unique<CSilentInteraction>());
    const QString file = QString::fromStdString(path.string());
    for (auto _ : state) {
        if (!dialog.OpenDocument(file))
            state.SkipWithError("cannot open");
    }
    state.counters["frames"] = 32.0 * frames;
    state.counters["per_frame"] = benchmark::Counter(
        32.0 * frames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    std::filesystem::remove_all(folder);
}

BENCHMARK(BM_OpenDocument)->Arg(100)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunAppBenchmarks(argc, argv);
}
