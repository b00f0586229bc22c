// Throughput of the frame codec next to memcpy of the same pixel bytes, and
// the time and peak memory of loading and saving a sprite of 64 MiB of pixels.
//
// Decoding writes every pixel into memory that a load has just allocated, so
// its baseline copies each frame's pixels into a buffer allocated for it
// (the previous one freed first, as in the decode). Encoding reads pixels
// already in memory and writes into a buffer it reuses, so its baseline
// copies each frame's pixels into one reused buffer. The sets of 4 MiB fit
// the caches, those of 32 and 64 MiB do not; the corpus set holds the frames
// of the small sprites under tests/data/dc6.
//
// Each codec figure is measured on every vector path the processor has
// (encode/SET/PATH, decode/SET/PATH). The table at the end gives it as a
// multiple of its baseline's time: with --benchmark_repetitions=N and
// --benchmark_enable_random_interleaving, the median over the repetitions of
// the ratio within each repetition.

#include "DC6CodecPaths.h"
#include "DC6File.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

namespace {

constexpr int kSide = 256;
constexpr int kFramesPerMiB = (1 << 20) / (kSide * kSide);

enum class Kind { SpriteLike, Alternating, Opaque, Corpus };

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
    std::vector<uint8_t> pixels(kSide * kSide, 0);
    switch (kind) {
    case Kind::SpriteLike:
        return SpriteLikePixels(rng);
    case Kind::Alternating:
        for (size_t i = 0; i < pixels.size(); i += 2)
            pixels[i] = static_cast<uint8_t>(1 + rng() % 255);
        break;
    case Kind::Opaque:
        for (uint8_t& p : pixels)
            p = static_cast<uint8_t>(1 + rng() % 255);
        break;
    case Kind::Corpus:
        break;
    }
    return pixels;
}

struct FrameSet {
    std::vector<DC6Frame> frames;
    std::vector<std::vector<uint8_t>> encoded;
    int64_t pixelBytes = 0;
};

void AddFrame(FrameSet& set, DC6Frame frame)
{
    std::vector<uint8_t> out;
    out.resize(static_cast<size_t>(CDC6File::EncodeDC6ImageData(frame, out)));
    set.pixelBytes += static_cast<int64_t>(frame.m_ImageData.size());
    set.frames.push_back(std::move(frame));
    set.encoded.push_back(std::move(out));
}

// Every frame of the sprites under tests/data/dc6. Their header's flags field
// is 0, which the reader refuses; it is set to 1 first.
void AddCorpusFrames(FrameSet& set)
{
    for (const auto& entry : std::filesystem::directory_iterator(SPRITEWRIGHT_CORPUS)) {
        if (entry.path().extension() != ".dc6")
            continue;
        std::ifstream file(entry.path(), std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                   std::istreambuf_iterator<char>());
        if (bytes.size() > 4)
            bytes[4] = 1;
        CDC6File doc;
        if (!doc.LoadDC6(bytes)) {
            std::fprintf(stderr, "%s: %s\n", entry.path().c_str(), doc.GetLastErrorText().c_str());
            continue;
        }
        DC6Frame frame;
        for (int i = 0; doc.GetDC6Frame(i, frame); ++i)
            AddFrame(set, frame);
    }
}

const FrameSet& Set(Kind kind, int mib)
{
    static std::map<std::pair<Kind, int>, FrameSet> sets;
    auto [it, fresh] = sets.try_emplace({kind, mib});
    if (!fresh)
        return it->second;
    if (kind == Kind::Corpus) {
        AddCorpusFrames(it->second);
        return it->second;
    }
    std::mt19937 rng(static_cast<unsigned>(kind) * 1000 + static_cast<unsigned>(mib));
    for (int i = 0; i < mib * kFramesPerMiB; ++i) {
        DC6Frame frame;
        frame.m_DC6FrameHeader.m_iWidth = kSide;
        frame.m_DC6FrameHeader.m_iHeight = kSide;
        const std::vector<uint8_t> pixels = MakePixels(kind, rng);
        frame.m_ImageData.assign(pixels.begin(), pixels.end());
        AddFrame(it->second, std::move(frame));
    }
    return it->second;
}

void BM_Encode(benchmark::State& state, Kind kind, int mib, ECodecPath path)
{
    const CCodecPathScope usePath(path);
    std::vector<DC6Frame> frames = Set(kind, mib).frames;
    std::vector<uint8_t> out;
    for (auto _ : state) {
        for (DC6Frame& frame : frames)
            benchmark::DoNotOptimize(CDC6File::EncodeDC6ImageData(frame, out));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * Set(kind, mib).pixelBytes);
}

// The encode baseline: each frame's pixels copied into one reused buffer.
void BM_WarmMemcpy(benchmark::State& state, Kind kind, int mib)
{
    const FrameSet& set = Set(kind, mib);
    size_t largest = 0;
    for (const DC6Frame& frame : set.frames)
        largest = std::max(largest, frame.m_ImageData.size());
    std::vector<uint8_t> out(largest);
    for (auto _ : state) {
        for (const DC6Frame& frame : set.frames) {
            std::memcpy(out.data(), frame.m_ImageData.data(), frame.m_ImageData.size());
            benchmark::ClobberMemory();
        }
    }
    state.SetBytesProcessed(state.iterations() * set.pixelBytes);
}

// Decodes every frame of the set into a frame of its own, as a load does,
// each into newly allocated pixels.
void BM_Decode(benchmark::State& state, Kind kind, int mib, ECodecPath path)
{
    const CCodecPathScope usePath(path);
    const FrameSet& set = Set(kind, mib);
    CDC6File doc;
    std::vector<DC6Frame> targets(set.frames.size());
    for (size_t i = 0; i < targets.size(); ++i)
        targets[i].m_DC6FrameHeader = set.frames[i].m_DC6FrameHeader;
    for (auto _ : state) {
        for (size_t i = 0; i < targets.size(); ++i) {
            CDC6File::FreeFramePixels(targets[i]);
            if (!doc.DecodeDC6ImageData(&targets[i], set.encoded[i]))
                state.SkipWithError(doc.GetLastErrorText().c_str());
            benchmark::DoNotOptimize(targets[i].m_ImageData.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * set.pixelBytes);
}

// The decode baseline: each frame's pixels copied into a buffer allocated
// for it, the previous one freed first.
void BM_FreshMemcpy(benchmark::State& state, Kind kind, int mib)
{
    const FrameSet& set = Set(kind, mib);
    std::vector<std::unique_ptr<uint8_t[]>> targets(set.frames.size());
    for (auto _ : state) {
        for (size_t i = 0; i < targets.size(); ++i) {
            const DC6Pixels& pixels = set.frames[i].m_ImageData;
            targets[i].reset();
            targets[i].reset(new uint8_t[pixels.size()]);
            std::memcpy(targets[i].get(), pixels.data(), pixels.size());
            benchmark::DoNotOptimize(targets[i].get());
            benchmark::ClobberMemory();
        }
    }
    state.SetBytesProcessed(state.iterations() * set.pixelBytes);
}

struct SetSpec {
    const char* name;
    Kind kind;
    int mib;
};
const SetSpec kSets[] = {
    {"sprite_like_4MiB", Kind::SpriteLike, 4},   {"opaque_4MiB", Kind::Opaque, 4},
    {"alternating_4MiB", Kind::Alternating, 4},  {"corpus", Kind::Corpus, 0},
    {"sprite_like_32MiB", Kind::SpriteLike, 32}, {"opaque_32MiB", Kind::Opaque, 32},
    {"sprite_like_64MiB", Kind::SpriteLike, 64}, {"opaque_64MiB", Kind::Opaque, 64},
};

// Each set's codec figures on every vector path this processor has, and its
// baselines.
void RegisterCodecBenchmarks()
{
    for (const SetSpec& s : kSets) {
        const std::string set = s.name;
        for (const ECodecPath path : SupportedCodecPaths()) {
            const std::string name = set + "/" + CodecPathName(path);
            benchmark::RegisterBenchmark(("decode/" + name).c_str(), BM_Decode, s.kind, s.mib,
                                         path);
            benchmark::RegisterBenchmark(("encode/" + name).c_str(), BM_Encode, s.kind, s.mib,
                                         path);
        }
        benchmark::RegisterBenchmark(("fresh_memcpy/" + set).c_str(), BM_FreshMemcpy, s.kind,
                                     s.mib);
        benchmark::RegisterBenchmark(("warm_memcpy/" + set).c_str(), BM_WarmMemcpy, s.kind, s.mib);
    }
}

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

// Keeps the rate of every repetition of every benchmark, in the order of
// their repetition index.
class CRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto it = run.counters.find("bytes_per_second");
            if (run.run_type != Run::RT_Iteration || run.error_occurred || it == run.counters.end())
                continue;
            std::vector<double>& rates = m_Rates[run.run_name.function_name];
            const size_t index = static_cast<size_t>(std::max<int64_t>(run.repetition_index, 0));
            rates.resize(std::max(rates.size(), index + 1), 0.0);
            rates[index] = it->second.value;
        }
    }

    // The median over the repetitions of the baseline's rate divided by the
    // codec's: how many times the baseline's time the codec takes.
    double MedianTimeRatio(const std::string& codec, const std::string& baseline) const
    {
        const auto a = m_Rates.find(codec), b = m_Rates.find(baseline);
        if (a == m_Rates.end() || b == m_Rates.end())
            return 0.0;
        std::vector<double> ratios;
        for (size_t i = 0; i < std::min(a->second.size(), b->second.size()); ++i) {
            if (a->second[i] > 0 && b->second[i] > 0)
                ratios.push_back(b->second[i] / a->second[i]);
        }
        if (ratios.empty())
            return 0.0;
        std::sort(ratios.begin(), ratios.end());
        const size_t n = ratios.size();
        return n % 2 == 1 ? ratios[n / 2] : (ratios[n / 2 - 1] + ratios[n / 2]) / 2;
    }

private:
    std::map<std::string, std::vector<double>> m_Rates;
};

void PrintRatioTable(const CRatioReporter& reporter)
{
    std::printf("\nCodec time as a multiple of its memcpy baseline's (median over repetitions):\n");
    std::printf("  %-20s %-9s %22s %22s\n", "set", "path", "decode / fresh memcpy",
                "encode / warm memcpy");
    for (const SetSpec& s : kSets) {
        const std::string set = s.name;
        for (const ECodecPath path : SupportedCodecPaths()) {
            const std::string name = set + "/" + CodecPathName(path);
            const double decode = reporter.MedianTimeRatio("decode/" + name, "fresh_memcpy/" + set);
            const double encode = reporter.MedianTimeRatio("encode/" + name, "warm_memcpy/" + set);
            if (decode == 0.0 && encode == 0.0)
                continue;
            std::printf("  %-20s %-9s %22.2f %22.2f\n", s.name, CodecPathName(path), decode,
                        encode);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--load-save-child") == 0)
        return LoadSaveChild(argv[2], argv[3]);

    RegisterCodecBenchmarks();
    benchmark::Initialize(&argc, argv);
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatioTable(reporter);

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
