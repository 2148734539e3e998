// From nothing to the tray icon shown and the main window's first paint: the delegate's launch
// (tray item, controller start, poll, taskbar entry, first-launch flag) and the first show of the
// main window with its sidebar and dictation pane, under a fresh HOME with a history of 500
// dictations. The controller runs over the test stage's parts, so no model is loaded (that runs
// in the background in the application). The first run is the cold one; later runs are warm.
#include "app/panes/pane_factory.h"
#include "app/shell/app_delegate.h"
#include "app/shell/design/look.h"
#include "app/shell/main_window.h"
#include "app/shell/root_view.h"
#include "app/shell/status_item.h"
#include "app/stores/history.h"
#include "bench/window_bench.h"
#include "platform/defaults_store.h"
#include "tests/support/controller_harness.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSystemTrayIcon>
#include <QWidget>

#include <benchmark/benchmark.h>

namespace tavik {
namespace {

void seedHistory(int count) {
    for (int i = 0; i < count; ++i) {
        HistoryEntry entry;
        entry.id = QUuid::createUuid();
        entry.text = QStringLiteral("Dictation number %1 about the quarterly review.").arg(i);
        entry.app = QStringLiteral("Mail");
        entry.via = QStringLiteral("paste");
        entry.at = QDateTime::currentDateTimeUtc().addSecs(-60 * i);
        entry.duration = 3;
        entry.latencyMs = 400;
        entry.inserted = true;
        History::shared().add(entry);
    }
}

void launchToFirstPaint(benchmark::State& state) {
    double trayMs = 0;
    double paintMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        platform::DefaultsStore::shared().setBool("hasLaunchedBefore", true);
        test::ControllerStage stage;
        stage.build();
        state.ResumeTiming();

        QElapsedTimer clock;
        clock.start();
        AppDelegate::Options options;
        options.makePane = panes::makePane;
        options.exit = [](int) {
        };
        AppDelegate delegate(stage.controller(), std::move(options));
        delegate.launch();
        const bool trayShown = delegate.statusItem() != nullptr;
        trayMs += clock.nsecsElapsed() / 1e6;

        delegate.openMain();
        bench::PaintCount watch;
        QWidget* root = delegate.mainWindowIfMade()->rootView();
        root->installEventFilter(&watch);
        root->repaint(); // the window system's first expose, which offscreen never sends
        while (watch.count == 0) {
            QCoreApplication::processEvents();
        }
        paintMs += clock.nsecsElapsed() / 1e6;
        benchmark::DoNotOptimize(trayShown);

        state.PauseTiming();
        root->removeEventFilter(&watch);
        state.ResumeTiming();
    }
    state.counters["tray_ms"] = benchmark::Counter(trayMs / state.iterations());
    state.counters["first_paint_ms"] = benchmark::Counter(paintMs / state.iterations());
}

BENCHMARK(launchToFirstPaint)
    ->Name("ColdLaunchToTrayAndFirstPaint")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(launchToFirstPaint)->Name("WarmLaunchToTrayAndFirstPaint")->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tavik

int main(int argc, char** argv) {
    return tavik::bench::runWindowBenchmarks(argc, argv, {.instantMotion = false, .prepare = [] {
                                                              tavik::seedHistory(500);
                                                              return true;
                                                          }});
}
