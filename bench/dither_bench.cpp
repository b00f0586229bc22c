// Matching a 2048 x 2048 24-bit photograph-like picture to a 256-colour
// palette with Floyd-Steinberg dithering, next to ImageMagick doing the same
// (`convert IN -dither FloydSteinberg -remap PALETTE OUT`, one thread) on
// the same files in the same run. Both sides read the picture from a BMP
// file and write the 8-bit result to one; the in-memory matching alone is
// reported as well, on every core and on one. (import_bench times the whole
// import as a user runs it, ImageMagick with all its threads.)

#include "ColourMatch.h"
#include "Image.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <unistd.h>

namespace {

constexpr int kSide = 2048;

std::filesystem::path WorkFolder()
{
    static const std::filesystem::path folder = [] {
        auto f = std::filesystem::temp_directory_path() /
                 ("spritewright-dither-" + std::to_string(::getpid()));
        std::filesystem::create_directories(f);
        return f;
    }();
    return folder;
}

// Smooth light and shade, a few soft objects and sensor-like noise: many
// distinct colours that change gradually, as in a photograph.
CImage PhotographLike()
{
    CImage image;
    image.Create(kSide, kSide, 24, IMAGE_TYPE_BMP);
    std::mt19937 rng(2024);
    std::normal_distribution<float> noise(0.0f, 6.0f);
    struct Blob {
        float x, y, radius, r, g, b;
    };
    std::vector<Blob> blobs;
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int i = 0; i < 24; ++i)
        blobs.push_back({unit(rng) * kSide, unit(rng) * kSide, 80 + unit(rng) * 400,
                         unit(rng) * 255, unit(rng) * 255, unit(rng) * 255});
    for (int y = 0; y < kSide; ++y) {
        uint8_t* row = image.GetBits(y);
        for (int x = 0; x < kSide; ++x) {
            float r = 90 + 60 * std::sin(x * 0.0031f) + 40 * std::cos(y * 0.0047f);
            float g = 110 + 50 * std::sin((x + y) * 0.0023f);
            float b = 130 + 70 * std::cos(x * 0.0017f - y * 0.0029f);
            for (const Blob& blob : blobs) {
                const float dx = x - blob.x, dy = y - blob.y;
                const float w = std::exp(-(dx * dx + dy * dy) / (blob.radius * blob.radius));
                r += (blob.r - r) * w;
                g += (blob.g - g) * w;
                b += (blob.b - b) * w;
            }
            const auto channel = [&](float v) {
                return static_cast<uint8_t>(std::clamp(v + noise(rng), 0.0f, 255.0f));
            };
            row[3 * x] = channel(b);
            row[3 * x + 1] = channel(g);
            row[3 * x + 2] = channel(r);
        }
    }
    return image;
}

// A 256-colour palette of the kind sprites use: ramps of several hues and a
// grey ramp.
CPalette SpritePalette()
{
    CPalette palette;
    for (int i = 0; i < 256; ++i) {
        const int ramp = i / 16, shade = i % 16;
        const double value = 0.1 + 0.9 * shade / 15.0;
        const double hue = ramp * 22.5;
        const double c = value * (ramp == 15 ? 0.0 : 0.8);
        const double h = hue / 60.0;
        const double x = c * (1 - std::fabs(std::fmod(h, 2.0) - 1));
        double r = 0, g = 0, b = 0;
        if (h < 1) {
            r = c;
            g = x;
        } else if (h < 2) {
            r = x;
            g = c;
        } else if (h < 3) {
            g = c;
            b = x;
        } else if (h < 4) {
            g = x;
            b = c;
        } else if (h < 5) {
            r = x;
            b = c;
        } else {
            r = c;
            b = x;
        }
        const double m = value - c;
        palette[static_cast<size_t>(i)] = {static_cast<uint8_t>((b + m) * 255),
                                           static_cast<uint8_t>((g + m) * 255),
                                           static_cast<uint8_t>((r + m) * 255), 1};
    }
    return palette;
}

struct Inputs {
    std::filesystem::path picture;
    std::filesystem::path paletteImage;
    CImage image;
    CPalette palette;
};

const Inputs& Prepare()
{
    static const Inputs inputs = [] {
        Inputs in;
        in.image = PhotographLike();
        in.palette = SpritePalette();
        in.picture = WorkFolder() / "photo.bmp";
        in.paletteImage = WorkFolder() / "palette.bmp";
        CImage copy = in.image;
        if (!copy.Save(in.picture, IMAGE_TYPE_BMP))
            std::fprintf(stderr, "%s\n", copy.GetLastError().c_str());
        // The palette for -remap: one pixel of each colour.
        CImage swatch;
        swatch.Create(256, 1, 24, IMAGE_TYPE_BMP);
        for (int i = 0; i < 256; ++i) {
            swatch.GetBits(0)[3 * i] = in.palette[static_cast<size_t>(i)].rgbBlue;
            swatch.GetBits(0)[3 * i + 1] = in.palette[static_cast<size_t>(i)].rgbGreen;
            swatch.GetBits(0)[3 * i + 2] = in.palette[static_cast<size_t>(i)].rgbRed;
        }
        swatch.Save(in.paletteImage, IMAGE_TYPE_BMP);
        return in;
    }();
    return inputs;
}

void BM_MatchInMemory(benchmark::State& state)
{
    const Inputs& in = Prepare();
    for (auto _ : state) {
        state.PauseTiming();
        CImage image = in.image;
        state.ResumeTiming();
        image.DecreaseBpp(8, true, in.palette.data(), 256);
        benchmark::DoNotOptimize(image.GetBits(0));
    }
}

void BM_MatchOneThread(benchmark::State& state)
{
    const Inputs& in = Prepare();
    const std::vector<RGBQUAD> palette(in.palette.begin(), in.palette.end());
    std::vector<uint8_t> indices;
    for (auto _ : state) {
        DitherToPalette(in.image, palette, true, {BestSearchUnit(), 1}, indices);
        benchmark::DoNotOptimize(indices.data());
    }
}

void BM_FileToFile(benchmark::State& state)
{
    const Inputs& in = Prepare();
    const auto out = WorkFolder() / "ours.bmp";
    for (auto _ : state) {
        CImage image;
        if (!image.Load(in.picture, IMAGE_TYPE_BMP))
            state.SkipWithError(image.GetLastError().c_str());
        image.DecreaseBpp(8, true, in.palette.data(), 256);
        image.Save(out, IMAGE_TYPE_BMP);
    }
}

void BM_ImageMagick(benchmark::State& state)
{
    const Inputs& in = Prepare();
    const std::string command = "MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1 convert '" +
                                in.picture.string() + "' -dither FloydSteinberg -remap '" +
                                in.paletteImage.string() +
                                "' 'BMP3:" + (WorkFolder() / "magick.bmp").string() + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("convert failed");
    }
}

BENCHMARK(BM_MatchInMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_MatchOneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_FileToFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ImageMagick)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

class CRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            m_Times[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    double Time(const std::string& name) const
    {
        const auto it = m_Times.find(name);
        return it == m_Times.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> m_Times;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double ours = reporter.Time("BM_FileToFile");
    const double memory = reporter.Time("BM_MatchInMemory");
    const double oneThread = reporter.Time("BM_MatchOneThread");
    const double magick = reporter.Time("BM_ImageMagick");
    if (ours > 0 && magick > 0)
        std::printf(
            "\nFile to file, ImageMagick on one thread: ImageMagick %.0f ms, Spritewright %.0f ms: "
            "%.1f times as fast (goal: 2)\nMatching alone in memory: %.0f ms (one thread: %.0f "
            "ms)\n",
            magick, ours, magick / ours, memory, oneThread);
    std::filesystem::remove_all(WorkFolder());
    benchmark::Shutdown();
    return 0;
}
