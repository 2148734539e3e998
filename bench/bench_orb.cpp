// The floating button while a dictation records: one frame is a new microphone level reaching
// the button's face and the face repainted in its window (the level arrives every 50 ms and
// the rings ease toward it at the display rate). And the 0.1 s tick's show() on a button that
// stands where it should: a settings read, a walk over the screens, a comparison.
#include "app/dictation/dictation_controller.h"
#include "app/shell/design/look.h"
#include "app/shell/design/motion.h"
#include "app/shell/orb_controller.h"
#include "app/shell/orb_panel.h"
#include "app/shell/ripple_orb.h"
#include "bench/window_bench.h"
#include "platform/window_hints.h"
#include "tests/support/controller_harness.h"

#include <QApplication>
#include <QPainterPath>
#include <QWindow>

#include <benchmark/benchmark.h>

namespace tavik {
namespace {

void BM_OrbRecordingFrame(benchmark::State& state) {
    design::Motion::setEnabled(false); // each frame draws its level at once
    test::ControllerStage stage;
    stage.start();
    OrbController orb(stage.controller(), {});
    orb.show();
    QWidget& window = *orb.panel();
    // Painting starts once the window system has shown the window.
    while (!window.windowHandle()->isExposed()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    emit stage.controller().stateChanged(dictation::State::recording());
    bench::PaintCount paints;
    window.findChild<RippleOrb*>()->installEventFilter(&paints);
    float decibels = -55;
    for (auto _ : state) {
        decibels = decibels >= -5 ? -55 : decibels + 2.5f;
        emit stage.controller().levelChanged(decibels);
        window.repaint();
    }
    state.counters["paints"] =
        benchmark::Counter(double(paints.count), benchmark::Counter::kAvgIterations);
    design::Motion::setEnabled(true);
}
BENCHMARK(BM_OrbRecordingFrame)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The shape a window without a compositor is cut to, laid again as the disc grows with the
// voice: the disc rasterised onto the window's device pixels (at the process's scale; run with
// QT_SCALE_FACTOR=2 for a doubled screen) and sent to the X server.
void BM_OrbDiscShape(benchmark::State& state) {
    test::ControllerStage stage;
    stage.start();
    OrbController orb(stage.controller(), {});
    orb.show();
    QWindow* window = orb.panel()->windowHandle();
    int step = 0;
    for (auto _ : state) {
        const double diameter = 44 + (step++ % 7);
        const double corner = (RippleOrb::frameSize - diameter) / 2;
        QPainterPath disc;
        disc.addEllipse(QRectF(corner, corner, diameter, diameter));
        platform::window_hints::setShape(window, platform::window_hints::ShapeKind::bounding, disc);
    }
    state.counters["ratio"] = window->devicePixelRatio();
}
BENCHMARK(BM_OrbDiscShape)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_OrbTickWhenNothingChanged(benchmark::State& state) {
    test::ControllerStage stage;
    stage.start();
    OrbController orb(stage.controller(), {});
    orb.show();
    for (auto _ : state) {
        orb.show();
    }
}
BENCHMARK(BM_OrbTickWhenNothingChanged)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace tavik

int main(int argc, char** argv) {
    return tavik::bench::runWindowBenchmarks(argc, argv);
}
