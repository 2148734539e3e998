// Insertion into another process on the test desktop (run under tests/desktop-session):
// the paste path from the call to the text verified in the target, and the typing rate.
#include "app/insertion/insertion_codes.h"
#include "app/insertion/mechanisms.h"
#include "platform/accessibility.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <benchmark/benchmark.h>

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

void BM_TypingIntoTarget(benchmark::State& state) {
    const QString sentence = "The quick brown fox jumps over the lazy dog, then rests. ";
    QString text;
    while (text.size() < 500) {
        text += sentence;
    }
    double heldMs = 0;
    for (auto _ : state) {
        target->command("set " + QByteArray().toBase64());
        const auto start = std::chrono::steady_clock::now();
        if (tavik::runType(text) != tavik::OUTCOME_SUCCEEDED) {
            state.SkipWithError("typing failed");
            break;
        }
        // How long the call held the main thread: the rest is the display server's.
        heldMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        QString arrived;
        spinUntil(
            [&] {
                arrived = target->text();
                return arrived.size() >= text.size();
            },
            20000);
        const auto end = std::chrono::steady_clock::now();
        if (arrived != text) {
            state.SkipWithError("characters were lost or changed");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        state.counters["chars_per_s"] = benchmark::Counter(
            static_cast<double>(text.size()), benchmark::Counter::kIsIterationInvariantRate);
    }
    state.counters["held_ms"] = benchmark::Counter(heldMs, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TypingIntoTarget)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

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
