// What a thumbnail costs: spritewright-thumbnailer run as a file manager runs
// it (a process per file), next to starting a program that does nothing
// (/bin/true), on a real sprite, on a typical game sprite of 8 directions x
// 16 frames of 128 x 128 pixels, and on the largest first frame that the
// limits let through (4096 x 4096, every pixel a literal). In-process, the
// reading and scaling alone, next to reading the file's bytes.

#include "DC6File.h"
#include "Thumbnail.h"

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

enum Sprite { kReal, kTypical, kLargest };
const char* const kNames[] = {"composition.dc6 (real)", "8 x 16 frames of 128 x 128",
                              "4096 x 4096 first frame"};

std::filesystem::path WorkFolder()
{
    static const std::filesystem::path folder = [] {
        const auto f = std::filesystem::temp_directory_path() /
                       ("spritewright-thumbnail-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(f);

        std::ifstream in(SPRITEWRIGHT_SAMPLE, std::ios::binary);
        std::vector<char> real((std::istreambuf_iterator<char>(in)), {});
        real.at(4) = 1;
        std::ofstream(f / "0.dc6", std::ios::binary).write(real.data(), std::ssize(real));

        std::mt19937 rng(5);
        CDC6File typical;
        typical.NewDC6(8, 16);
        for (int i = 0; i < 8 * 16; ++i) {
            typical.ResizeFrame(i, 128, 128);
            const double cx = 64 + 20 * std::sin(i), cy = 64 + 20 * std::cos(i);
            for (int y = 0; y < 128; ++y)
                for (int x = 0; x < 128; ++x)
                    if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < 45 * 45)
                        typical.SetFramePixel(i, x, y,
                                              static_cast<uint8_t>(1 + (x + y + rng() % 8) % 250));
        }
        typical.SaveDC6(f / "1.dc6");

        CDC6File largest;
        largest.NewDC6(1, 1);
        largest.ResizeFrame(0, 4096, 4096);
        for (int y = 0; y < 4096; ++y)
            for (int x = 0; x < 4096; ++x)
                largest.SetFramePixel(0, x, y, static_cast<uint8_t>(1 + rng() % 255));
        largest.SaveDC6(f / "2.dc6");
        return f;
    }();
    return folder;
}

std::filesystem::path SpritePath(int64_t which)
{
    return WorkFolder() / (std::to_string(which) + ".dc6");
}

bool Spawn(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// range(0): sprite; range(1): size.
void BM_ThumbnailerProgram(benchmark::State& state)
{
    const std::string in = SpritePath(state.range(0)).string();
    const std::string out = (WorkFolder() / "thumb.png").string();
    const std::string size = std::to_string(state.range(1));
    for (auto _ : state) {
        // File managers hand the thumbnailer a new file name each time.
        state.PauseTiming();
        std::filesystem::remove(out);
        state.ResumeTiming();
        if (!Spawn({SPRITEWRIGHT_THUMBNAILER, "-s", size, in, out}))
            state.SkipWithError("the thumbnailer failed");
    }
    state.SetLabel(std::string(kNames[state.range(0)]) + ", size " + size);
}

void BM_StartTrue(benchmark::State& state)
{
    for (auto _ : state) {
        if (!Spawn({"/bin/true"}))
            state.SkipWithError("/bin/true failed");
    }
    state.SetLabel("baseline: a process that does nothing");
}

// range(0): sprite.
void BM_MakeThumbnail(benchmark::State& state)
{
    const auto in = SpritePath(state.range(0));
    const CPalette palette = GreyRampPalette();
    for (auto _ : state) {
        CImage thumb;
        std::string error;
        if (!MakeDC6Thumbnail(in, 256, palette, thumb, error))
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(thumb.GetBits(0));
    }
    state.SetLabel(std::string(kNames[state.range(0)]) + ", size 256");
}

// range(0): sprite.
void BM_ReadFileBytes(benchmark::State& state)
{
    const auto in = SpritePath(state.range(0));
    for (auto _ : state) {
        std::ifstream file(in, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(file)), {});
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetLabel(std::string("baseline: reading all of ") + kNames[state.range(0)]);
}

BENCHMARK(BM_StartTrue)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ThumbnailerProgram)
    ->ArgsProduct({{kReal, kTypical, kLargest}, {128, 256}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_MakeThumbnail)
    ->DenseRange(kReal, kLargest)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ReadFileBytes)
    ->DenseRange(kReal, kLargest)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::filesystem::remove_all(WorkFolder());
    benchmark::Shutdown();
    return 0;
}
