// What the dictionary, snippets and scratchpad panes cost the main thread with full stores: the
// first paint when the section opens, one add repainted, and a dictation appended to a 1 MB
// scratchpad with the pane open.
#include "app/panes/dictionary/dictionary_pane.h"
#include "app/panes/scratchpad/scratchpad_editor.h"
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
#include <QWindow>

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

// A pad as dictation makes it: sentences of different lengths appended with a space, so one
// paragraph of `size` characters with no line break at all; or, to compare, the same sentences
// each on a line of its own.
QString oneParagraph(qsizetype size, QChar between = QLatin1Char(' ')) {
    const QString sentences[] = {
        QStringLiteral("Notes dictated on the way in, about the session and what to fix before "
                       "Thursday."),
        QStringLiteral("Then we moved the second microphone closer to the window."),
        QStringLiteral("Call Marguerite about take %1."),
        QStringLiteral("The mix of the third song needs less reverb on the vocals and a little "
                       "more of the room."),
        QStringLiteral("Remember the cables."),
    };
    QString text;
    text.reserve(size + 200);
    for (int i = 0; text.size() < size; ++i) {
        const QString& sentence = sentences[i % std::size(sentences)];
        text += (sentence.contains(QLatin1String("%1")) ? sentence.arg(i) : sentence) + between;
    }
    text.chop(1);
    return text;
}

// The pane shown as a person sees it, with its window exposed.
struct ShownPad {
    explicit ShownPad(const QString& text) {
        Scratchpad::shared().setText(text);
        pane = std::make_unique<panes::ScratchpadPane>();
        pane->resize(paneSize);
        pane->show();
        while (!pane->windowHandle()->isExposed()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        frame();
    }
    ~ShownPad() { Scratchpad::shared().flush(std::chrono::seconds(30)); }

    // Until the editor has drawn the change, as the window system asks for it.
    void frame() {
        QWidget* view = pane->editor()->viewport();
        view->installEventFilter(&paints);
        paints.count = 0;
        view->update();
        while (paints.count == 0) {
            QCoreApplication::processEvents();
        }
        view->removeEventFilter(&paints);
    }

    std::unique_ptr<panes::ScratchpadPane> pane;
    bench::PaintCount paints;
};

// One spoken sentence arriving while the pane shows a pad of one long paragraph.
void scratchpadAppendToOneParagraph(benchmark::State& state) {
    ShownPad shown(oneParagraph(state.range(0)));
    for (auto _ : state) {
        Scratchpad::shared().append(
            QStringLiteral("and then we moved the second microphone closer to the window."));
        shown.frame();
    }
}
BENCHMARK(scratchpadAppendToOneParagraph)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Arg(20'000'000)
    ->Unit(benchmark::kMillisecond);

// A key typed into one long paragraph until it is drawn: at the end, where dictation left the
// caret, and at the start, where everything after it moves.
void scratchpadKeystroke(benchmark::State& state, bool atEnd) {
    ShownPad shown(oneParagraph(state.range(0)));
    panes::ScratchpadEditor* editor = shown.pane->editor();
    editor->setFocus();
    QTest::keyClick(editor, atEnd ? Qt::Key_End : Qt::Key_Home, Qt::ControlModifier);
    shown.frame();
    for (auto _ : state) {
        QTest::keyClick(editor, Qt::Key_A);
        shown.frame();
    }
}
void scratchpadKeystrokeAtEnd(benchmark::State& state) {
    scratchpadKeystroke(state, true);
}
void scratchpadKeystrokeAtStart(benchmark::State& state) {
    scratchpadKeystroke(state, false);
}

// The same at the end of a pad of many short lines, the shape the pad takes when typed into.
void scratchpadKeystrokeInLines(benchmark::State& state) {
    ShownPad shown(oneParagraph(state.range(0), QLatin1Char('\n')));
    panes::ScratchpadEditor* editor = shown.pane->editor();
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
    shown.frame();
    for (auto _ : state) {
        QTest::keyClick(editor, Qt::Key_A);
        shown.frame();
    }
}
BENCHMARK(scratchpadKeystrokeInLines)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(scratchpadKeystrokeAtEnd)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Arg(20'000'000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(scratchpadKeystrokeAtStart)
    ->Arg(1'000'000)
    ->Arg(20'000'000)
    ->Unit(benchmark::kMillisecond);

// The section chosen with a pad of one long paragraph: the pane made, laid out and drawn.
void scratchpadOpenOneParagraph(benchmark::State& state) {
    Scratchpad::shared().setText(oneParagraph(state.range(0)));
    for (auto _ : state) {
        panes::ScratchpadPane pane;
        firstPaint(pane);
    }
}
BENCHMARK(scratchpadOpenOneParagraph)
    ->Arg(1'000'000)
    ->Arg(20'000'000)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return tavik::bench::runWindowBenchmarks(argc, argv, {.instantMotion = true, .prepare = {}});
}
