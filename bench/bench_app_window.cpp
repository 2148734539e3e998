// The program as a person meets it: the application delegate over the test stage's controller,
// wired as main() wires it (tray item and menu, floating button, main window with the panes of
// the factory), over a history of 5,000 dictations written with the seed tool (--history=KIND,
// see window_bench.h) and a scratchpad of 20 MB in one paragraph.
//
//   PaneOpenUntilQuiet   the dictation section shown, to its first frame, then the event loop
//                        run until the list has measured the rows in and near the view: the
//                        main thread's CPU time in all, its longest single turn (what a key
//                        pressed meanwhile waits), and the repaints of the whole pane. The first
//                        visit measures at a new width; later visits find the heights kept.
//   SearchKeystroke      a word typed letter by letter and cleared, each to its frame
//   ScrollFrame          48 px down the whole list and over again, each to its frame
//   Delete               Delete on the keyboard's row, to its frame
//   TrayMenuOpen         the tray menu made current as it opens
//   DictationStartStop   a push-to-talk press and its cancel, each with the tray menu, icon and
//                        floating button following
//   PadKeystroke         Ctrl+End or Ctrl+Home, then one letter typed, each to its frame
//
// Frames are rendered into an image of the window's size (the offscreen platform never exposes).
#include "app/panes/history/history_list.h"
#include "app/panes/pane_factory.h"
#include "app/panes/scratchpad/scratchpad_editor.h"
#include "app/panes/scratchpad/scratchpad_pane.h"
#include "app/shell/app_delegate.h"
#include "app/shell/design/pane_frame.h"
#include "app/shell/main_window.h"
#include "app/shell/root_view.h"
#include "app/shell/status_item.h"
#include "app/stores/scratchpad.h"
#include "bench/window_bench.h"
#include "platform/defaults_store.h"
#include "tests/support/controller_harness.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <iostream>

namespace tavik {
namespace {

using bench::threadCpuMs;

struct App {
    test::ControllerStage stage;
    std::unique_ptr<AppDelegate> delegate;

    App() {
        platform::DefaultsStore::shared().setBool("hasLaunchedBefore", true);
        stage.build();
        AppDelegate::Options options;
        options.makePane = panes::makePane;
        options.exit = [](int) {
        };
        delegate = std::make_unique<AppDelegate>(stage.controller(), std::move(options));
        delegate->launch();
        stage.loadModels();
        delegate->openMain();
    }
    MainWindowController& main() { return *delegate->mainWindowIfMade(); }
    QWidget& window() { return *main().window(); }
    template <typename Pane> Pane* pane() { return qobject_cast<Pane*>(main().rootView()->pane()); }
    panes::HistoryList* list() {
        return main().rootView()->pane()->findChild<panes::HistoryList*>();
    }
};

App& app() {
    static App* made = new App();
    return *made;
}

// What reaches the screen: the layouts the last change asked for, then the window's pixels.
void frame() {
    QWidget& window = app().window();
    static QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    window.render(&image);
    benchmark::DoNotOptimize(image.constBits());
}

// Runs what the last step left queued, untimed.
void drain() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

void show(AppState::Section section) {
    app().main().state().setSection(section);
    // The pane shown before goes, as the application's event loop lets it go; outside that loop
    // it would stay alive, hidden, following every change.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    frame();
}

class PaintCount final : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        count += event->type() == QEvent::Paint ? 1 : 0;
        return QObject::eventFilter(watched, event);
    }
};

void BM_PaneOpenUntilQuiet(benchmark::State& state) {
    double firstVisitCpuMs = -1;
    double worstTurnMs = 0;
    double busyCpuMs = 0;
    int panePaints = 0;
    for (auto _ : state) {
        state.PauseTiming();
        app().main().state().setSearch(QString());
        show(AppState::Section::insights);
        drain();
        state.ResumeTiming();
        const double cpuStart = threadCpuMs();
        show(AppState::Section::dictation);
        panes::HistoryList* list = app().list();
        PaintCount paints;
        auto* pane = app().main().rootView()->pane()->findChild<design::PaneFrame*>();
        pane->viewport()->installEventFilter(&paints);
        QElapsedTimer waited;
        waited.start();
        while (!list->settled() && waited.elapsed() < 120'000) {
            QElapsedTimer turn;
            turn.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            worstTurnMs = std::max(worstTurnMs, turn.nsecsElapsed() / 1e6);
        }
        const double cpuMs = threadCpuMs() - cpuStart;
        pane->viewport()->removeEventFilter(&paints);
        firstVisitCpuMs = firstVisitCpuMs < 0 ? cpuMs : firstVisitCpuMs;
        busyCpuMs += cpuMs;
        panePaints += paints.count;
    }
    state.counters["first_visit_cpu_ms"] = firstVisitCpuMs;
    state.counters["visit_cpu_ms"] = busyCpuMs / double(state.iterations());
    state.counters["longest_turn_ms"] = worstTurnMs;
    state.counters["pane_paints"] = double(panePaints) / double(state.iterations());
}
BENCHMARK(BM_PaneOpenUntilQuiet)->Unit(benchmark::kMillisecond)->Iterations(5);

QString& searchWord() {
    static QString word = QStringLiteral("dentist");
    return word;
}

void BM_SearchKeystroke(benchmark::State& state) {
    app().main().state().setSearch(QString());
    show(AppState::Section::dictation);
    const QString word = searchWord();
    int typed = 0;
    double worstMs = 0;
    for (auto _ : state) {
        const double start = threadCpuMs();
        typed = (typed + 1) % (word.size() + 1);
        app().main().state().setSearch(word.left(typed));
        frame();
        worstMs = std::max(worstMs, threadCpuMs() - start);
    }
    state.counters["worst_cpu_ms"] = worstMs;
    app().main().state().setSearch(QString());
}
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMillisecond)->Iterations(60);

void BM_ScrollFrame(benchmark::State& state) {
    show(AppState::Section::dictation);
    QScrollBar* bar =
        app().main().rootView()->pane()->findChild<design::PaneFrame*>()->verticalScrollBar();
    double worstMs = 0;
    int slow = 0;
    for (auto _ : state) {
        const double start = threadCpuMs();
        bar->setValue(bar->value() >= bar->maximum() ? 0 : bar->value() + 48);
        frame();
        const double ms = threadCpuMs() - start;
        worstMs = std::max(worstMs, ms);
        slow += ms > 16.0 ? 1 : 0;
    }
    state.counters["worst_cpu_ms"] = worstMs;
    state.counters["frames_over_16ms"] = slow;
}
BENCHMARK(BM_ScrollFrame)->Unit(benchmark::kMillisecond)->Iterations(600);

void BM_TrayMenuOpen(benchmark::State& state) {
    QMenu& menu = app().delegate->statusItem()->menu();
    for (auto _ : state) {
        emit menu.aboutToShow();
    }
}
BENCHMARK(BM_TrayMenuOpen)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_DictationStartStop(benchmark::State& state) {
    double worstMs = 0;
    for (auto _ : state) {
        for (const bool start : {true, false}) {
            const double begin = threadCpuMs();
            if (start) {
                app().stage.press(dictation::Action::pushToTalk);
            } else {
                app().stage.escape();
            }
            // The tray menu follows once the current event is handled, the icon and the button
            // at the next poll.
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            worstMs = std::max(worstMs, threadCpuMs() - begin);
        }
    }
    state.counters["worst_cpu_ms"] = worstMs;
    state.counters["final_state_idle"] = app().stage.state() == dictation::State::idle();
}
BENCHMARK(BM_DictationStartStop)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_PadKeystroke(benchmark::State& state) {
    show(AppState::Section::scratchpad);
    panes::ScratchpadEditor* editor = app().pane<panes::ScratchpadPane>()->editor();
    editor->setFocus();
    double worstJumpMs = 0;
    double worstKeyMs = 0;
    int slowKeys = 0;
    bool toEnd = true;
    for (auto _ : state) {
        const double jumpStart = threadCpuMs();
        QKeyEvent jump(QEvent::KeyPress, toEnd ? Qt::Key_End : Qt::Key_Home, Qt::ControlModifier);
        QCoreApplication::sendEvent(editor, &jump);
        frame();
        worstJumpMs = std::max(worstJumpMs, threadCpuMs() - jumpStart);
        const double keyStart = threadCpuMs();
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QCoreApplication::sendEvent(editor, &key);
        frame();
        const double keyMs = threadCpuMs() - keyStart;
        worstKeyMs = std::max(worstKeyMs, keyMs);
        slowKeys += keyMs > 16.0 ? 1 : 0;
        toEnd = !toEnd;
    }
    state.counters["worst_jump_cpu_ms"] = worstJumpMs;
    state.counters["worst_first_key_cpu_ms"] = worstKeyMs;
    state.counters["first_keys_over_16ms"] = slowKeys;
    state.counters["pad_chars"] = double(Scratchpad::shared().text().size());
}
BENCHMARK(BM_PadKeystroke)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_Delete(benchmark::State& state) {
    app().main().state().setSearch(QString());
    show(AppState::Section::dictation);
    panes::HistoryList* list = app().list();
    // The keyboard's row needs the window active and the list focused, as a person's click
    // leaves them.
    QApplication::setActiveWindow(&app().window());
    list->setFocus();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(list, &down);
    QKeyEvent remove(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    double worstMs = 0;
    for (auto _ : state) {
        if (list->currentRow() < 0) {
            state.SkipWithError("no row to delete");
            break;
        }
        const double start = threadCpuMs();
        QCoreApplication::sendEvent(list, &remove);
        frame();
        worstMs = std::max(worstMs, threadCpuMs() - start);
    }
    state.counters["worst_cpu_ms"] = worstMs;
}
BENCHMARK(BM_Delete)->Unit(benchmark::kMillisecond)->Iterations(100);

} // namespace
} // namespace tavik

int main(int argc, char** argv) {
    const QString kind = tavik::bench::takeHistoryKind(argc, argv);
    return tavik::bench::runWindowBenchmarks(
        argc, argv, {.instantMotion = true, .prepare = [kind] {
                         if (!tavik::bench::seedHistoryOfKind(kind, tavik::searchWord())) {
                             return false;
                         }
                         // 20 MB of one paragraph, as dictation into the pad makes it.
                         tavik::Scratchpad::shared().setText(
                             tavik::seed::longText(tavik::seed::cyrillicWords(), 10'000'000, 5));
                         return true;
                     }});
}
