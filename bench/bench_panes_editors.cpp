// What the dictionary, snippets and scratchpad panes cost the main thread with full stores: the
// first paint when the section opens, one add repainted, and a dictation appended to a 1 MB
// scratchpad with the pane open.
#include "app/panes/dictionary/dictionary_pane.h"
#include "app/panes/scratchpad/scratchpad_pane.h"
#include "app/panes/snippets/snippets_pane.h"
#include "app/shell/design/field.h"
#include "app/shell/design/look.h"
#include "app/shell/design/motion.h"
#include "app/stores/scratchpad.h"
#include "app/stores/snippets.h"
#include "app/stores/vocabulary.h"
#include "bench/window_bench.h"
#include "tests/support/controller_harness.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace tavik;

const QSize paneSize(810, 660);

QStringList manyTerms(int count) {
    QStringList terms;
    for (int i = 0; i < count; ++i) {
        terms << QStringLiteral("Term %1 Solberg").arg(i);
    }
    return terms;
}

QList<Snippet> manySnippets(int count) {
    QList<Snippet> items;
    for (int i = 0; i < count; ++i) {
        items << Snippet{QUuid::createUuid(), QStringLiteral("trigger phrase %1").arg(i),
                         QStringLiteral("The expansion of snippet %1, long enough to be cut short "
                                        "at the end of its row in the card")
                             .arg(i),
                         i % 3 != 0};
    }
    return items;
}

// Built, laid out and drawn once, as when the section is chosen.
void firstPaint(QWidget& pane) {
    pane.resize(paneSize);
    pane.show();
    QCoreApplication::sendPostedEvents();
    benchmark::DoNotOptimize(pane.grab());
}

// What the person sees after the change: layout settled and the pane drawn again.
void repaint(QWidget& pane) {
    QCoreApplication::sendPostedEvents();
    benchmark::DoNotOptimize(pane.grab());
}

void dictionaryFirstPaint500Terms(benchmark::State& state) {
    Vocabulary::shared().setTerms(manyTerms(500));
    test::ControllerStage stage;
    stage.start();
    for (auto _ : state) {
        panes::DictionaryPane pane(stage.controller());
        firstPaint(pane);
    }
}
BENCHMARK(dictionaryFirstPaint500Terms)->Unit(benchmark::kMillisecond);

void dictionaryAddOneTo500Terms(benchmark::State& state) {
    test::ControllerStage stage;
    stage.start();
    Vocabulary::shared().setTerms(manyTerms(500));
    panes::DictionaryPane pane(stage.controller());
    firstPaint(pane);
    auto* button = pane.findChild<QPushButton*>();
    int next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Vocabulary::shared().setTerms(manyTerms(500));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        repaint(pane);
        pane.draft().setNewTerm(QStringLiteral("New term %1").arg(++next));
        state.ResumeTiming();
        button->click();
        repaint(pane);
    }
}
BENCHMARK(dictionaryAddOneTo500Terms)->Unit(benchmark::kMillisecond);

void snippetsFirstPaint200Items(benchmark::State& state) {
    Snippets::shared().setItems(manySnippets(200));
    for (auto _ : state) {
        panes::SnippetsPane pane;
        firstPaint(pane);
    }
}
BENCHMARK(snippetsFirstPaint200Items)->Unit(benchmark::kMillisecond);

void snippetsAddOneTo200Items(benchmark::State& state) {
    const QList<Snippet> items = manySnippets(200);
    Snippets::shared().setItems(items);
    panes::SnippetsPane pane;
    firstPaint(pane);
    auto* button = pane.findChild<QPushButton*>();
    for (auto _ : state) {
        state.PauseTiming();
        Snippets::shared().setItems(items);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        repaint(pane);
        pane.draft().setTrigger(QStringLiteral("one more"));
        pane.draft().setExpansion(QStringLiteral("another expansion"));
        state.ResumeTiming();
        button->click();
        repaint(pane);
    }
}
BENCHMARK(snippetsAddOneTo200Items)->Unit(benchmark::kMillisecond);

// One spoken sentence arriving while the pane shows a 1 MB scratchpad.
void scratchpadAppendTo1MB(benchmark::State& state) {
    QString text;
    while (text.size() < 1'000'000) {
        text += QStringLiteral("Notes dictated on the way in, about the session and what to fix "
                               "before Thursday.\n");
    }
    Scratchpad::shared().setText(text);
    panes::ScratchpadPane pane;
    firstPaint(pane);
    int appended = 0;
    for (auto _ : state) {
        // The editor lays its last paragraph out again on each append; start a fresh one now and
        // then, as a person pausing between thoughts would (at most 20 dictations to a paragraph).
        if (++appended % 20 == 0) {
            state.PauseTiming();
            Scratchpad::shared().setText(text);
            repaint(pane);
            state.ResumeTiming();
        }
        Scratchpad::shared().append(
            QStringLiteral("and then we moved the second microphone closer to the window."));
        QCoreApplication::sendPostedEvents();
    }
    Scratchpad::shared().flush(std::chrono::seconds(10));
}
BENCHMARK(scratchpadAppendTo1MB)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return tavik::bench::runWindowBenchmarks(argc, argv, {.instantMotion = true, .prepare = {}});
}
