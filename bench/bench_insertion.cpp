// Insertion into another process on the test desktop (run under tests/desktop-session):
// the paste path from the call to the text verified in the target, and the typing rate.
#include "app/insertion/insertion_codes.h"
#include "app/insertion/mechanisms.h"
#include "platform/accessibility.h"
#include "platform/key_synth.h"
#include "platform/linux/atspi_accessibility.h"
#include "tests/support/stalled_clipboard_owner.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

bool spinUntil(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return done();
}

// The test target application with its text field focused and active.
class Target {
public:
    bool start() {
        QObject::connect(&process_, &QProcess::readyReadStandardOutput, &process_,
                         [this] { output_ += process_.readAllStandardOutput(); });
        process_.start(QCoreApplication::applicationDirPath() +
                           "/../tools/insertion-target/tavik-insertion-target",
                       {});
        if (!process_.waitForStarted(5000)) {
            return false;
        }
        const QByteArray ready = line();
        if (!ready.startsWith("ready ")) {
            return false;
        }
        const unsigned long window = ready.mid(6).toULong();
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr) {
            return false;
        }
        const long value = static_cast<long>(window);
        XChangeProperty(display, DefaultRootWindow(display),
                        XInternAtom(display, "_NET_ACTIVE_WINDOW", False), XA_WINDOW, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&value), 1);
        XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
        XCloseDisplay(display);
        command("focus field");
        return spinUntil(
            [&] {
                auto element =
                    tavik::platform::Accessibility::system().focusedElement(process_.processId());
                return element && element->writable();
            },
            10000);
    }
    ~Target() {
        process_.closeWriteChannel();
        process_.waitForFinished(3000);
    }
    QByteArray line() {
        spinUntil([&] { return output_.contains('\n'); }, 5000);
        const qsizetype end = output_.indexOf('\n');
        const QByteArray answer = output_.left(end);
        output_.remove(0, end + 1);
        return answer;
    }
    QByteArray command(const QByteArray& text) {
        process_.write(text + '\n');
        return line();
    }
    QString text() { return QString::fromUtf8(QByteArray::fromBase64(command("get").mid(5))); }
    qint64 pid() const { return process_.processId(); }

private:
    QProcess process_;
    QByteArray output_;
};

Target* target = nullptr;

void BM_PasteVerifiedInTarget(benchmark::State& state) {
    const QString text = "a pasted sentence of ordinary length, as dictated";
    for (auto _ : state) {
        target->command("set " + QByteArray().toBase64());
        const auto start = std::chrono::steady_clock::now();
        const std::uint32_t outcome = tavik::runPaste(text, 200, true);
        const auto end = std::chrono::steady_clock::now();
        if (outcome != tavik::OUTCOME_SUCCEEDED || target->text() != text) {
            state.SkipWithError("the paste did not arrive");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        spinUntil([] { return tavik::pendingPasteRestores() == 0; }, 2000);
    }
}
BENCHMARK(BM_PasteVerifiedInTarget)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// Finding the focused field behind 1,690 other accessible objects, in a window arranged as
// Writer's document window is (a focused pane around the field, a focus event for the window
// after the field's): by the focus events the bus reported (arg 1), and by walking the window's
// tree as a reader that has seen no focus event must where the application cannot search
// itself (arg 0).
void BM_FocusedElementInADeepWindow(benchmark::State& state) {
    static const bool deepened = target->command("document 1690") == "ok";
    const bool followed = state.range(0) == 1;
    for (auto _ : state) {
        tavik::platform::atspi::AtspiAccessibility fresh;
        tavik::platform::Accessibility& accessibility =
            followed ? tavik::platform::Accessibility::system() : fresh;
        accessibility.trusted(); // connected before the clock starts
        const auto start = std::chrono::steady_clock::now();
        const auto element = accessibility.focusedElement(target->pid());
        const auto end = std::chrono::steady_clock::now();
        if (!deepened || !element || !element->writable()) {
            state.SkipWithError("the focused field was not found");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}
BENCHMARK(BM_FocusedElementInADeepWindow)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// A clipboard owner that does not hand its content over: the paste gives up within its bound
// and leaves the clipboard with the owner (arg: never answers, slow for many formats, stalls an
// incremental transfer).
void BM_PasteWithAStalledClipboardOwner(benchmark::State& state) {
    using Manner = tavik::test::StalledClipboardOwner::Manner;
    const auto manner = static_cast<Manner>(state.range(0));
    for (auto _ : state) {
        tavik::test::StalledClipboardOwner owner(manner);
        const auto start = std::chrono::steady_clock::now();
        const std::uint32_t outcome = tavik::runPaste("not pasted", 200, true);
        const auto end = std::chrono::steady_clock::now();
        if (outcome != tavik::OUTCOME_FAILED || !owner.holdsClipboard()) {
            state.SkipWithError("the clipboard was taken");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}
BENCHMARK(BM_PasteWithAStalledClipboardOwner)
    ->DenseRange(0, 2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// How long the main loop goes without turning: a zero-time timer fires on every turn, and the
// longest gap between two firings is the longest the loop was held.
class LoopWatch {
public:
    LoopWatch() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        timer_.start(0);
        clock_.start();
    }
    void reset() {
        clock_.restart();
        longestNs_ = 0;
    }
    double longestMs() const { return static_cast<double>(longestNs_) / 1e6; }

private:
    void tick() {
        longestNs_ = std::max(longestNs_, clock_.nsecsElapsed());
        clock_.restart();
    }
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longestNs_ = 0;
};

// Typing a text into the target. `held_ms`: how long the call itself held the main thread (the
// first part handed to the display server); `part_ms`: the longest the main loop was held after
// the call returned, while the other parts were handed over (the rest is the server's).
void typeIntoTarget(benchmark::State& state, const QString& text) {
    double heldMs = 0;
    double partMs = 0;
    for (auto _ : state) {
        target->command("set " + QByteArray().toBase64());
        const auto start = std::chrono::steady_clock::now();
        if (tavik::runType(text) != tavik::OUTCOME_SUCCEEDED) {
            state.SkipWithError("typing failed");
            break;
        }
        heldMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        LoopWatch watch;
        QString arrived;
        spinUntil(
            [&] {
                arrived = target->text();
                return arrived.size() >= text.size();
            },
            20000);
        const auto end = std::chrono::steady_clock::now();
        spinUntil([] { return !tavik::platform::KeySynth::system().busy(); }, 5000);
        partMs = std::max(partMs, watch.longestMs());
        if (arrived != text) {
            state.SkipWithError("characters were lost or changed");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        state.counters["chars_per_s"] = benchmark::Counter(
            static_cast<double>(text.size()), benchmark::Counter::kIsIterationInvariantRate);
    }
    state.counters["held_ms"] = benchmark::Counter(heldMs, benchmark::Counter::kAvgIterations);
    state.counters["part_ms"] = partMs;
}

void BM_TypingIntoTarget(benchmark::State& state) {
    const QString sentence = "The quick brown fox jumps over the lazy dog, then rests. ";
    QString text;
    while (text.size() < 500) {
        text += sentence;
    }
    typeIntoTarget(state, text);
}
BENCHMARK(BM_TypingIntoTarget)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Only characters with a key of their own: nothing is bound, the keyboard map never changes.
void BM_TypingWithoutBindingIntoTarget(benchmark::State& state) {
    const QString sentence = "the quick brown fox jumps over the lazy dog, then rests. ";
    QString text;
    while (text.size() < 500) {
        text += sentence;
    }
    typeIntoTarget(state, text);
}
BENCHMARK(BM_TypingWithoutBindingIntoTarget)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// The same watch with nothing typed: what the machine and the target's answers alone cost the
// loop, the floor under `part_ms`.
void BM_LoopWithoutTyping(benchmark::State& state) {
    double longestMs = 0;
    for (auto _ : state) {
        LoopWatch watch;
        const auto start = std::chrono::steady_clock::now();
        QDeadlineTimer deadline(500);
        spinUntil(
            [&] {
                target->text();
                return deadline.hasExpired();
            },
            1000);
        longestMs = std::max(longestMs, watch.longestMs());
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["part_ms"] = longestMs;
}
BENCHMARK(BM_LoopWithoutTyping)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// More different characters than there are spare keycodes: typing waits for keycodes to settle
// before binding them again, on timers rather than on the main thread.
void BM_TypingManyDifferentCharactersIntoTarget(benchmark::State& state) {
    const int spare = tavik::platform::KeySynth::system().typingBatchCapacity();
    QString text;
    for (int i = 0; i < 3 * spare; ++i) {
        text += QChar(0x0100 + i % 0x80);
        if (i % 7 == 6) {
            text += ' ';
        }
    }
    typeIntoTarget(state, text);
}
BENCHMARK(BM_TypingManyDifferentCharactersIntoTarget)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        return 0; // needs the test desktop session
    }
    QApplication app(argc, argv);
    Target running;
    if (!running.start()) {
        return 1;
    }
    target = &running;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
