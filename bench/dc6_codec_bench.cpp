// Throughput of the frame codec next to memcpy of the same bytes, and the
// time and peak memory of loading and saving a sprite of 64 MiB of pixels.
//
// Every figure is printed again at the end as a ratio to its baseline.

#include "DC6File.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <unistd.h>

namespace {

constexpr int kSide = 256;
constexpr int kFramesPerSet = 64; // 4 MiB of pixels: more than the caches hold

enum class Kind { SpriteLike, Alternating, Opaque };

// Shapes on transparency: a few textured ellipses with holes, so that runs
// of every length from 1 to past 127 occur.
std::vector<uint8_t> SpriteLikePixels(std::mt19937& rng)
{
    std::vector<uint8_t> pixels(kSide * kSide, 0);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int shapes = 2 + static_cast<int>(rng() % 4);
    for (int s = 0; s < shapes; ++s) {
        const double cx = kSide * unit(rng), cy = kSide * unit(rng);
        const double rx = 10 + 90 * unit(rng), ry = 10 + 90 * unit(rng);
        const uint8_t base = static_cast<uint8_t>(1 + rng() % 200);
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                const double dx = (x - cx) / rx, dy = (y - cy) / ry;
                if (dx * dx + dy * dy > 1.0)
                    continue;
                const unsigned r = rng();
                // About one pixel in forty is a hole.
                pixels[y * kSide + x] = r % 40 == 0 ? 0 : static_cast<uint8_t>(base + r % 40);
            }
        }
    }
    return pixels;
}

std::vector<uint8_t> MakePixels(Kind kind, std::mt19937& rng)
{
    switch (kind) {
    case Kind::SpriteLike:
        return SpriteLikePixels(rng);
    case Kind::Alternating: {
        std::vector<uint8_t> pixels(kSide * kSide, 0);
        for (size_t i = 0; i < pixels.size(); i += 2)
            pixels[i] = static_cast<uint8_t>(1 + rng() % 255);
        return pixels;
    }
    case Kind::Opaque: {
        std::vector<uint8_t> pixels(kSide * kSide);
        for (uint8_t& p : pixels)
            p = static_cast<uint8_t>(1 + rng() % 255);
        return pixels;
    }
    }
    return {};
}

struct FrameSet {
    std::vector<DC6Frame> frames;
    std::vector<std::vector<uint8_t>> encoded;
    int64_t pixelBytes = 0;
};

const FrameSet& Set(Kind kind)
{
    static std::map<Kind, FrameSet> sets;
    auto [it, fresh] = sets.try_emplace(kind);
    if (fresh) {
        std::mt19937 rng(static_cast<unsigned>(kind) + 7);
        for (int i = 0; i < kFramesPerSet; ++i) {
            DC6Frame frame;
            frame.m_DC6FrameHeader.m_iWidth = kSide;
            frame.m_DC6FrameHeader.m_iHeight = kSide;
            frame.m_ImageData = MakePixels(kind, rng);
            std::vector<uint8_t> out;
            out.resize(static_cast<size_t>(CDC6File::EncodeDC6ImageData(frame, out)));
            it->second.frames.push_back(std::move(frame));
            it->second.encoded.push_back(std::move(out));
            it->second.pixelBytes += kSide * kSide;
        }
    }
    return it->second;
}

void BM_Encode(benchmark::State& state, Kind kind)
{
    FrameSet set = Set(kind);
    std::vector<uint8_t> out;
    for (auto _ : state) {
        for (DC6Frame& frame : set.frames)
            benchmark::DoNotOptimize(CDC6File::EncodeDC6ImageData(frame, out));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * set.pixelBytes);
}

// Decodes every frame of the set into a frame of its own, as a load does.
void BM_Decode(benchmark::State& state, Kind kind)
{
    const FrameSet& set = Set(kind);
    CDC6File doc;
    std::vector<DC6Frame> targets(set.frames.size());
    for (size_t i = 0; i < targets.size(); ++i)
        targets[i].m_DC6FrameHeader = set.frames[i].m_DC6FrameHeader;
    for (auto _ : state) {
        for (size_t i = 0; i < targets.size(); ++i) {
            if (!doc.DecodeDC6ImageData(&targets[i], set.encoded[i]))
                state.SkipWithError(doc.GetLastErrorText().c_str());
            benchmark::DoNotOptimize(targets[i].m_ImageData.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * set.pixelBytes);
}

// The baseline: copying the same pixel bytes, frame by frame, into buffers
// of their own.
void BM_Memcpy(benchmark::State& state)
{
    const FrameSet& set = Set(Kind::SpriteLike);
    std::vector<std::vector<uint8_t>> targets(set.frames.size(),
                                              std::vector<uint8_t>(kSide * kSide));
    for (auto _ : state) {
        for (size_t i = 0; i < targets.size(); ++i) {
            const std::vector<uint8_t>& pixels = set.frames[i].m_ImageData;
            std::memcpy(targets[i].data(), pixels.data(), pixels.size());
            benchmark::DoNotOptimize(targets[i].data());
            benchmark::ClobberMemory();
        }
    }
    state.SetBytesProcessed(state.iterations() * set.pixelBytes);
}

BENCHMARK_CAPTURE(BM_Encode, sprite_like, Kind::SpriteLike);
BENCHMARK_CAPTURE(BM_Encode, alternating, Kind::Alternating);
BENCHMARK_CAPTURE(BM_Encode, opaque, Kind::Opaque);
BENCHMARK_CAPTURE(BM_Decode, sprite_like, Kind::SpriteLike);
BENCHMARK_CAPTURE(BM_Decode, alternating, Kind::Alternating);
BENCHMARK_CAPTURE(BM_Decode, opaque, Kind::Opaque);
BENCHMARK(BM_Memcpy);

// 8 directions x 128 frames of 256 x 256 pixels: 64 MiB.
constexpr int kBigDirections = 8;
constexpr int kBigFrames = 128;
constexpr int64_t kBigPixelBytes = int64_t{kBigDirections} * kBigFrames * kSide * kSide;

std::filesystem::path BigSpritePath()
{
    static const std::filesystem::path path = [] {
        const auto p = std::filesystem::temp_directory_path() /
                       ("spritewright-bench-" + std::to_string(::getpid()) + ".dc6");
        CDC6File doc;
        doc.NewDC6(kBigDirections, kBigFrames);
        std::mt19937 rng(99);
        for (int i = 0; i < kBigDirections * kBigFrames; ++i) {
            doc.ResizeFrame(i, kSide, kSide);
            const std::vector<uint8_t> pixels = SpriteLikePixels(rng);
            for (int y = 0; y < kSide; ++y)
                for (int x = 0; x < kSide; ++x)
                    doc.SetFramePixel(i, x, y, pixels[y * kSide + x]);
        }
        if (!doc.SaveDC6(p))
            std::fprintf(stderr, "cannot write %s: %s\n", p.c_str(),
                         doc.GetLastErrorText().c_str());
        return p;
    }();
    return path;
}

void BM_Load64MiB(benchmark::State& state)
{
    const auto path = BigSpritePath();
    for (auto _ : state) {
        CDC6File doc;
        if (!doc.LoadDC6(path))
            state.SkipWithError(doc.GetLastErrorText().c_str());
    }
    state.SetBytesProcessed(state.iterations() * kBigPixelBytes);
}

void BM_Save64MiB(benchmark::State& state)
{
    const auto path = BigSpritePath();
    const auto out = path.string() + ".out";
    CDC6File doc;
    doc.LoadDC6(path);
    for (auto _ : state) {
        if (!doc.SaveDC6(out))
            state.SkipWithError(doc.GetLastErrorText().c_str());
    }
    state.SetBytesProcessed(state.iterations() * kBigPixelBytes);
    std::filesystem::remove(out);
}

BENCHMARK(BM_Load64MiB)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Save64MiB)->Unit(benchmark::kMillisecond)->Iterations(5);

// Peak resident memory of this process so far, in bytes.
int64_t PeakResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6)) * 1024;
    }
    return -1;
}

// Run in a fresh process: load and save the sprite, print the peak.
int LoadSaveChild(const char* in, const char* out)
{
    CDC6File doc;
    if (!doc.LoadDC6(in) || !doc.SaveDC6(out)) {
        std::fprintf(stderr, "%s\n", doc.GetLastErrorText().c_str());
        return 1;
    }
    std::printf("%lld\n", static_cast<long long>(PeakResidentBytes()));
    return 0;
}

int64_t MeasureLoadSavePeak(const char* self)
{
    const auto path = BigSpritePath();
    const std::string command =
        std::string(self) + " --load-save-child " + path.string() + " " + path.string() + ".peak";
    FILE* child = ::popen(command.c_str(), "r");
    long long peak = -1;
    if (child == nullptr || std::fscanf(child, "%lld", &peak) != 1)
        peak = -1;
    if (child != nullptr)
        ::pclose(child);
    std::filesystem::remove(path.string() + ".peak");
    return peak;
}

class CRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end())
                m_Rates[run.benchmark_name()] = it->second.value;
        }
    }
    double Rate(const std::string& name) const
    {
        const auto it = m_Rates.find(name);
        return it == m_Rates.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> m_Rates;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--load-save-child") == 0)
        return LoadSaveChild(argv[2], argv[3]);

    benchmark::Initialize(&argc, argv);
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const double memcpyRate = reporter.Rate("BM_Memcpy");
    std::printf("\nThroughput as a share of memcpy (%.2f GB/s):\n", memcpyRate / 1e9);
    const char* const names[] = {"BM_Encode/sprite_like", "BM_Encode/alternating",
                                 "BM_Encode/opaque",      "BM_Decode/sprite_like",
                                 "BM_Decode/alternating", "BM_Decode/opaque"};
    for (const char* name : names) {
        const double rate = reporter.Rate(name);
        if (rate > 0 && memcpyRate > 0)
            std::printf("  %-24s %7.2f GB/s  %.3f of memcpy (1/%.1f)\n", name, rate / 1e9,
                        rate / memcpyRate, memcpyRate / rate);
    }

    const int64_t peak = MeasureLoadSavePeak(argv[0]);
    const double limit = 1.3 * static_cast<double>(kBigPixelBytes) + 32.0 * (1 << 20);
    std::printf("\nLoad and save of a %lld MiB sprite in a fresh process: peak resident %.1f MiB, "
                "limit 1.3 x pixels + 32 MiB = %.1f MiB (%s)\n",
                static_cast<long long>(kBigPixelBytes >> 20), static_cast<double>(peak) / (1 << 20),
                limit / (1 << 20), peak > 0 && peak < limit ? "within" : "OVER");
    std::filesystem::remove(BigSpritePath());
    benchmark::Shutdown();
    return 0;
}
