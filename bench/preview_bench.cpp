// The preview: time to paint the viewport at each zoom step, one paint an
// iteration (next to a memcpy of the same picture as the baseline);
// sustained playback of a 32-frame direction of 256 x 256 frames at 60
// frames a second at 4x in the real window; and the window's peak memory
// with a sprite of four 16384 x 16384 frames.

#include "AppBench.h"
#include "MainDlg.h"
#include "PreviewWidget.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace {

constexpr QSize kViewport(1024, 768);

std::vector<uint8_t> RandomIndices(size_t count, uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<uint8_t> pixels(count);
    for (uint8_t& p : pixels)
        p = static_cast<uint8_t>(random() % 4 == 0 ? 0 : random());
    return pixels;
}

// Seconds per memcpy of `bytes`, the floor of any paint of that many bytes.
double MemcpySeconds(size_t bytes)
{
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    constexpr int kRuns = 50;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRuns; ++i) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kRuns;
}

// One frame of side x side random indices, drawn with the checkerboard on
// (the dearer path) in a 1024 x 768 viewport, zoomed by the step given.
void BM_PaintViewport(benchmark::State& state)
{
    const int zoom = static_cast<int>(state.range(0));
    const int side = static_cast<int>(state.range(1));
    const std::vector<uint8_t> pixels = RandomIndices(static_cast<size_t>(side) * side, 7);
    CPreviewWidget widget;
    widget.SetPixelSource([&](int) { return std::span<const uint8_t>(pixels); });
    widget.show();
    widget.resize(widget.size() - widget.viewport()->size() + kViewport);
    widget.SetCheckerboard(true);
    widget.SetFrame({0, side, side, 0, 0}, {}, {}, GreyRampPalette());
    widget.SetZoom(zoom);
    QImage target(widget.viewport()->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        widget.viewport()->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
    const double bytes = static_cast<double>(target.sizeInBytes());
    state.counters["viewport_px"] = static_cast<double>(target.width()) * target.height();
    state.counters["memcpy_ms"] = MemcpySeconds(static_cast<size_t>(bytes)) * 1e3;
}

void PaintArgs(benchmark::internal::Benchmark* b)
{
    for (int zoom : CPreviewWidget::kZoomSteps)
        b->Args({zoom, 256});
    b->Args({1, 16384});
    b->Args({16, 16384});
}
BENCHMARK(BM_PaintViewport)->Apply(PaintArgs)->Unit(benchmark::kMillisecond);

// The real window plays a direction of 32 frames of 256 x 256 at 60 frames
// a second, 4x, registered, for two seconds. A frame is dropped when the
// list moves on before the preview painted it.
void BM_Playback60Fps(benchmark::State& state)
{
    const auto folder = BenchFolder("preview-bench");
    const auto path = folder / "walk.dc6";
    {
        CDC6File doc;
        doc.NewDC6(1, 32);
        for (int f = 0; f < 32; ++f) {
            doc.ResizeFrame(f, 256, 256);
            doc.SetFrameOffsetX(f, -128 + f);
            doc.SetFrameOffsetY(f, 10 + f % 5);
            const std::vector<uint8_t> pixels = RandomIndices(256 * 256, static_cast<uint32_t>(f));
            for (int y = 0; y < 256; ++y)
                for (int x = 0; x < 256; ++x)
                    doc.SetFramePixel(f, x, y, pixels[static_cast<size_t>(y) * 256 + x]);
        }
        doc.SaveDC6(path);
    }
    CMainDlg dialog(folder, std::make_unique<CSilentInteraction>());
    dialog.OnInitDialog();
    dialog.resize(1500, 1250);
    dialog.show();
    dialog.OpenDocument(QString::fromStdString(path.string()));
    auto* preview = dialog.findChild<CPreviewWidget*>("m_stcPreview");
    auto* list = dialog.findChild<QListWidget*>("m_lstFrame");
    dialog.findChild<QCheckBox*>("m_chkRegistered")->setChecked(true);
    dialog.findChild<QCheckBox*>("m_chkCheckerboard")->setChecked(true);
    dialog.findChild<QSpinBox*>("m_spnFps")->setValue(60);
    preview->SetZoom(4);

    // Counts what was shown through an event filter on the viewport.
    struct CCounter : QObject {
        QListWidget* m_pList = nullptr;
        int m_iPainted = -1;
        int m_iPaints = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint) {
                m_iPainted = m_pList->currentRow();
                ++m_iPaints;
            }
            return false;
        }
    } counter;
    counter.m_pList = list;
    preview->viewport()->installEventFilter(&counter);
    QApplication::processEvents();

    int ticks = 0, dropped = 0, lastRow = list->currentRow();
    double worstGapMs = 0;
    QElapsedTimer gap;
    QObject::connect(list, &QListWidget::currentRowChanged, [&](int row) {
        if (counter.m_iPainted != lastRow)
            ++dropped;
        lastRow = row;
        ++ticks;
        if (gap.isValid())
            worstGapMs = std::max(worstGapMs, gap.nsecsElapsed() / 1e6);
        gap.start();
    });

    const long before = ResidentKiB("VmRSS:");
    for (auto _ : state) {
        dialog.findChild<QPushButton*>("m_btnPlay")->click();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 2000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        dialog.findChild<QPushButton*>("m_btnPlay")->click();
        state.SetIterationTime(clock.elapsed() / 1e3);
    }
    state.counters["frames_shown"] = ticks;
    state.counters["fps"] = ticks / 2.0;
    state.counters["dropped"] = dropped;
    state.counters["paints"] = counter.m_iPaints;
    state.counters["worst_gap_ms"] = worstGapMs;
    state.counters["rss_growth_KiB"] = static_cast<double>(ResidentKiB("VmRSS:") - before);
    preview->viewport()->removeEventFilter(&counter);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_Playback60Fps)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// A 65 KB file of four all-transparent 16384 x 16384 frames, written by
// hand: each row is one end-of-row code.
void WriteHugeSprite(const std::filesystem::path& path)
{
    constexpr int32_t kSide = 16384, kFrames = 4;
    std::vector<int32_t> words = {6, 1, 0, static_cast<int32_t>(0xeeeeeeee), 1, kFrames};
    int32_t offset = 24 + 4 * kFrames;
    const int32_t block = 32 + kSide + 3;
    for (int f = 0; f < kFrames; ++f)
        words.push_back(offset + f * block);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(words.data()),
              static_cast<std::streamsize>(words.size() * 4));
    for (int f = 0; f < kFrames; ++f) {
        const int32_t header[8] = {0, kSide, kSide, 0, 0, 0, offset + (f + 1) * block, kSide};
        out.write(reinterpret_cast<const char*>(header), sizeof header);
        out << std::string(kSide, '\x80') << std::string(3, '\xee');
    }
}

// The window's peak memory with the huge sprite open and shown at 1x and
// 16x, alone and registered with the onion skin, against the budget of 1.5
// times the sprite's pixel bytes plus 150 MiB. The peak is reset first, so
// that the benchmarks before do not count.
void BM_WindowPeakMemory(benchmark::State& state)
{
    const auto folder = BenchFolder("preview-bench");
    const auto path = folder / "huge.dc6";
    WriteHugeSprite(path);
    std::ofstream("/proc/self/clear_refs") << "5";
    const long start = ResidentKiB("VmHWM:");
    for (auto _ : state) {
        CMainDlg dialog(folder, std::make_unique<CSilentInteraction>());
        dialog.OnInitDialog();
        dialog.show();
        if (!dialog.OpenDocument(QString::fromStdString(path.string())))
            state.SkipWithError("cannot open");
        auto* preview = dialog.findChild<CPreviewWidget*>("m_stcPreview");
        for (bool registered : {false, true}) {
            dialog.findChild<QCheckBox*>("m_chkRegistered")->setChecked(registered);
            dialog.findChild<QCheckBox*>("m_chkOnionSkin")->setChecked(registered);
            for (int zoom : {1, 16}) {
                preview->SetZoom(zoom);
                dialog.findChild<QListWidget*>("m_lstFrame")->setCurrentRow(zoom == 1 ? 1 : 2);
                QImage target(preview->viewport()->size(), QImage::Format_RGB32);
                preview->viewport()->render(&target);
                QApplication::processEvents();
            }
        }
    }
    const double pixelBytes = 4.0 * 16384 * 16384;
    state.counters["peak_MiB"] = ResidentKiB("VmHWM:") / 1024.0;
    state.counters["before_MiB"] = start / 1024.0;
    state.counters["budget_MiB"] = (1.5 * pixelBytes) / (1 << 20) + 150;
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_WindowPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunAppBenchmarks(argc, argv);
}
