// Export all frames and build back, through spritewright-cli as a user runs
// it: four sprites of 16 directions x 32 frames of 128 x 128 pixels, in
// every format, with one job and with two; and the same through a sprite
// sheet with its atlas. Reports the time per frame.

#include "DC6File.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

namespace {

constexpr int kSprites = 4;
constexpr int kDirections = 16;
constexpr int kFrames = 32;
constexpr int kSide = 128;
constexpr int kFramesInAll = kSprites * kDirections * kFrames;

std::filesystem::path WorkFolder()
{
    static const std::filesystem::path folder = [] {
        const auto f = std::filesystem::temp_directory_path() /
                       ("spritewright-exportbuild-" + std::to_string(::getpid()));
        std::filesystem::create_directories(f / "sprites");
        std::mt19937 rng(3);
        for (int s = 0; s < kSprites; ++s) {
            CDC6File doc;
            doc.NewDC6(kDirections, kFrames);
            for (int i = 0; i < kDirections * kFrames; ++i) {
                doc.ResizeFrame(i, kSide, kSide);
                doc.SetFrameOffsetX(i, static_cast<int>(rng() % 16) - 8);
                doc.SetFrameOffsetY(i, static_cast<int>(rng() % 16));
                const double cx = 64 + 20 * std::sin(i), cy = 64 + 20 * std::cos(i);
                for (int y = 0; y < kSide; ++y)
                    for (int x = 0; x < kSide; ++x)
                        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < 50 * 50)
                            doc.SetFramePixel(i, x, y,
                                              static_cast<uint8_t>(1 + (x + y + rng() % 8) % 250));
            }
            doc.SaveDC6(f / "sprites" / ("s" + std::to_string(s) + ".dc6"));
        }
        return f;
    }();
    return folder;
}

std::string Quote(const std::filesystem::path& path)
{
    return "'" + path.string() + "'";
}

void Run(benchmark::State& state, const std::string& command)
{
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        state.SkipWithError(("failed: " + command).c_str());
}

// range(0): format index; range(1): jobs.
void BM_ExportAndBuild(benchmark::State& state)
{
    static const char* const kFormats[] = {"bmp", "pcx", "gif", "tif", "jpg", "png", "gif"};
    const int which = static_cast<int>(state.range(0));
    const std::string format = kFormats[which];
    const bool animated = which == 6;
    const std::string jobs = std::to_string(state.range(1));
    const auto work = WorkFolder();
    std::string sprites;
    for (int s = 0; s < kSprites; ++s)
        sprites += " " + Quote(work / "sprites" / ("s" + std::to_string(s) + ".dc6"));
    double exportSeconds = 0, buildSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(work / "out");
        std::filesystem::remove_all(work / "built");
        std::filesystem::create_directories(work / "out");
        std::filesystem::create_directories(work / "built");
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        Run(state, std::string(SPRITEWRIGHT_CLI) + " export-all" + sprites + " -o " +
                       Quote(work / "out") + " --format " + format +
                       (animated ? " --animated" : "") + " --jobs " + jobs);
        const auto middle = std::chrono::steady_clock::now();
        std::string descriptions;
        for (int s = 0; s < kSprites; ++s) {
            const std::string base = "s" + std::to_string(s) + "_" + format;
            descriptions += " " + Quote(work / "out" / base / (base + ".ini"));
        }
        Run(state, std::string(SPRITEWRIGHT_CLI) + " build" + descriptions + " -o " +
                       Quote(work / "built") + " --jobs " + jobs);
        const auto end = std::chrono::steady_clock::now();
        exportSeconds += std::chrono::duration<double>(middle - start).count();
        buildSeconds += std::chrono::duration<double>(end - middle).count();
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["export_us_per_frame"] = exportSeconds / runs / kFramesInAll * 1e6;
    state.counters["build_us_per_frame"] = buildSeconds / runs / kFramesInAll * 1e6;
    state.SetLabel(format + (animated ? " animated" : "") + ", jobs " + jobs);
}

BENCHMARK(BM_ExportAndBuild)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

// The same sprites through a sheet with its atlas and back, one sprite
// after another, next to export-all and build as PNG with one job, timed
// in the same run. range(0): 0 rows of registered cells, 1 packed trimmed.
void BM_SheetExportAndImport(benchmark::State& state)
{
    const bool packed = state.range(0) == 1;
    const auto work = WorkFolder();
    const std::string cli = SPRITEWRIGHT_CLI;
    double sheetExport = 0, sheetImport = 0, iniExport = 0, iniBuild = 0;
    const auto seconds = [](auto from, auto to) {
        return std::chrono::duration<double>(to - from).count();
    };
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(work / "sheets");
        std::filesystem::remove_all(work / "out");
        std::filesystem::create_directories(work / "sheets");
        std::filesystem::create_directories(work / "out");
        state.ResumeTiming();
        for (int s = 0; s < kSprites; ++s) {
            const std::string name = "s" + std::to_string(s);
            const auto sprite = Quote(work / "sprites" / (name + ".dc6"));
            const auto sheet = Quote(work / "sheets" / (name + ".png"));
            const auto atlas = Quote(work / "sheets" / (name + ".json"));
            const auto t0 = std::chrono::steady_clock::now();
            Run(state, cli + " export-sheet " + sprite + " " + sheet +
                           (packed ? " --layout packed --canvas trimmed" : ""));
            const auto t1 = std::chrono::steady_clock::now();
            Run(state, cli + " import-sheet " + sheet + " " + atlas + " -o " +
                           Quote(work / "sheets" / (name + ".dc6")));
            const auto t2 = std::chrono::steady_clock::now();
            Run(state, cli + " export-all " + sprite + " -o " + Quote(work / "out") +
                           " --format png --jobs 1");
            const auto t3 = std::chrono::steady_clock::now();
            const std::string base = name + "_png";
            Run(state, cli + " build " + Quote(work / "out" / base / (base + ".ini")) + " -o " +
                           Quote(work / "out" / (name + ".dc6")) + " --jobs 1");
            const auto t4 = std::chrono::steady_clock::now();
            sheetExport += seconds(t0, t1);
            sheetImport += seconds(t1, t2);
            iniExport += seconds(t2, t3);
            iniBuild += seconds(t3, t4);
        }
    }
    const double frames = static_cast<double>(state.iterations()) * kFramesInAll;
    state.counters["sheet_export_us_per_frame"] = sheetExport / frames * 1e6;
    state.counters["sheet_import_us_per_frame"] = sheetImport / frames * 1e6;
    state.counters["export_vs_export_all"] = sheetExport / iniExport;
    state.counters["import_vs_build"] = sheetImport / iniBuild;
    state.SetLabel(packed ? "packed trimmed" : "rows registered");
}

BENCHMARK(BM_SheetExportAndImport)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::filesystem::remove_all(WorkFolder());
    benchmark::Shutdown();
    return 0;
}
