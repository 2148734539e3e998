// The settings pane on the main thread: its first paint, and one frame of the level meter,
// with the heap allocations a meter frame makes.
#include "app/panes/settings/level_meter.h"
#include "app/panes/settings/permissions_model.h"
#include "app/panes/settings/settings_view.h"
#include "app/shell/design/look.h"
#include "app/stores/preferences.h"
#include "bench/window_bench.h"
#include "tests/support/controller_harness.h"
#include "tests/support/switchable_accessibility.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

} // namespace

void* operator new(std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) {
        allocations.fetch_add(1, std::memory_order_relaxed);
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

namespace tavik {
namespace {

// Made, laid out and painted once, as when the user opens Settings.
void settingsPaneFirstPaint(benchmark::State& state) {
    test::ControllerStage stage;
    stage.preferences = &Preferences::shared();
    stage.start();
    test::SwitchableAccessibility accessibility;
    QImage frame(810, 660, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        panes::settings::PermissionsModel permissions(accessibility);
        panes::settings::SettingsView view(Preferences::shared(), stage.controller(), &permissions);
        view.resize(frame.size());
        view.setAttribute(Qt::WA_DontShowOnScreen);
        view.show();
        view.render(&frame);
        benchmark::DoNotOptimize(frame.bits());
    }
}
BENCHMARK(settingsPaneFirstPaint)->Unit(benchmark::kMillisecond);

// One 0.08 s tick: read the level, ask for a repaint when the bar moved, and draw the meter
// as its paint event does.
void levelMeterFrame(benchmark::State& state) {
    float level = -60;
    panes::settings::LevelMeter meter([&level] { return level; });
    meter.setAttribute(Qt::WA_DontShowOnScreen);
    meter.show();
    meter.setRunning(true);
    QImage frame(meter.size(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&frame);
    const QRectF track(QPointF(0, 0), QSizeF(meter.size()));
    panes::settings::LevelMeter::paint(painter, track, level); // warms the gradient cache
    long frames = 0;
    allocations = 0;
    counting = true;
    for (auto _ : state) {
        level = level >= 0 ? -60 : level + 3; // a new width every frame
        meter.tick();
        panes::settings::LevelMeter::paint(painter, track, meter.level());
        ++frames;
    }
    counting = false;
    state.counters["allocations/frame"] = double(allocations.load()) / double(frames);
}
BENCHMARK(levelMeterFrame)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace tavik

int main(int argc, char** argv) {
    return tavik::bench::runWindowBenchmarks(argc, argv);
}
