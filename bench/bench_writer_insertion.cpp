// Delivery into LibreOffice Writer, measured by hand: from the start of delivery (the moment the
// text is ready after the key release) to the text in Writer's paragraph, through the insertion
// engine and the desktop's own pieces, as Tavik delivers. Needs LibreOffice Writer with its GTK 3
// plug-in and a window manager; run it as
//   tests/desktop-session --with-shell-hosts build/bench/bench_writer_insertion
// Writer runs with a private profile. Each iteration is one dictation, printed as it ends. Args:
// the document (0: empty, 1: a few pages) and how the person reached Writer (0: it was in front
// before Tavik started, so no focus event was seen; 1: switched to it from another window while
// Tavik ran).
// Counters: `focus_calls` and `focus_ms`, the finding of the focused element and what it cost.
#include "app/insertion/insertion_engine.h"
#include "app/insertion/insertion_ports.h"
#include "platform/frontmost.h"
#include "platform/linux/atspi_accessibility.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

constexpr char writerProgram[] = "/usr/lib/libreoffice/program/soffice.bin";
constexpr int restartRequested = 81;
const QString dictated = QStringLiteral("Please send the report today.");

bool spinUntil(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(500);
    }
    return done();
}

void spinFor(int ms) {
    QDeadlineTimer deadline(ms);
    spinUntil([&] { return deadline.hasExpired(); }, ms + 100);
}

bool activate(quint64 window) {
    return QProcess::execute("xdotool", {"windowactivate", "--sync", QString::number(window)}) == 0;
}

// Forwards to the real accessibility and keeps what finding the focused element cost.
class TimedAccessibility final : public tavik::platform::Accessibility {
public:
    explicit TimedAccessibility(tavik::platform::Accessibility& real) : real_(real) {}
    bool trusted() override { return real_.trusted(); }
    void requestEnabled() override { real_.requestEnabled(); }
    std::unique_ptr<tavik::platform::AccessibleText> focusedElement(qint64 pid) override {
        const auto start = Clock::now();
        auto element = real_.focusedElement(pid);
        spent += Clock::now() - start;
        ++calls;
        return element;
    }
    Clock::duration spent{};
    int calls = 0;

private:
    tavik::platform::Accessibility& real_;
};

// Writer with one document, in front, its caret in the first paragraph.
class Writer {
public:
    bool start(bool pages) {
        QStringList arguments{"-env:UserInstallation=" +
                                  QUrl::fromLocalFile(profile_.path()).toString(),
                              "--writer", "--norestore", "--nologo", "--nofirststartwizard"};
        if (pages) {
            const QString path = QDir(profile_.path()).filePath("pages.fodt");
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly)) {
                return false;
            }
            QByteArray body;
            for (int i = 1; i <= 120; ++i) {
                body += "<text:p>Paragraph " + QByteArray::number(i) +
                        " of a document a few pages long, with a sentence or two in each "
                        "paragraph so that the pages fill the way a report's would.</text:p>\n";
            }
            file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:"
                       "office:1.0\" xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
                       "office:version=\"1.2\" office:mimetype=\"application/"
                       "vnd.oasis.opendocument.text\"><office:body><office:text>\n" +
                       body + "</office:text></office:body></office:document>\n");
            file.close();
            arguments << path;
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("SAL_USE_VCLPLUGIN", "gtk3");
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        tavik::platform::Frontmost& frontmost = tavik::platform::Frontmost::system();
        const auto inFront = [&] {
            const auto front = frontmost.current();
            return front && front->pid == process_.processId();
        };
        // A new profile is made on the first start, which then ends asking to be started again.
        process_.start(writerProgram, arguments);
        spinUntil([&] { return process_.state() == QProcess::NotRunning || inFront(); }, 120000);
        if (process_.state() == QProcess::NotRunning && process_.exitCode() == restartRequested) {
            process_.start(writerProgram, arguments);
        }
        if (!spinUntil(inFront, 120000)) {
            return false;
        }
        window_ = frontmost.current()->window;
        return spinUntil([&] { return paragraph() != nullptr; }, 60000);
    }
    ~Writer() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    qint64 pid() const { return process_.processId(); }
    quint64 window() const { return window_; }

    // The focused paragraph of the document, found here rather than by the code measured: the
    // document window asked for its focused objects, the last of them in the tree's order.
    std::unique_ptr<tavik::platform::AccessibleText> paragraph() {
        AtspiAccessible* desktop = atspi_get_desktop(0);
        std::unique_ptr<tavik::platform::AccessibleText> found;
        const int applications = atspi_accessible_get_child_count(desktop, nullptr);
        for (int i = 0; i < applications && !found; ++i) {
            AtspiAccessible* application = atspi_accessible_get_child_at_index(desktop, i, nullptr);
            if (application == nullptr) {
                continue;
            }
            AtspiAccessible* frame = nullptr;
            if (atspi_accessible_get_process_id(application, nullptr) == guint(pid())) {
                frame = atspi_accessible_get_child_at_index(application, 0, nullptr);
            }
            if (AtspiCollection* collection =
                    frame != nullptr ? atspi_accessible_get_collection_iface(frame) : nullptr) {
                AtspiStateSet* states = atspi_state_set_new(nullptr);
                atspi_state_set_add(states, ATSPI_STATE_FOCUSED);
                AtspiMatchRule* rule = atspi_match_rule_new(
                    states, ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_NONE,
                    nullptr, ATSPI_Collection_MATCH_NONE, nullptr, ATSPI_Collection_MATCH_NONE,
                    FALSE);
                GArray* matches = atspi_collection_get_matches(
                    collection, rule, ATSPI_Collection_SORT_ORDER_CANONICAL, 0, TRUE, nullptr);
                for (guint m = 0; matches != nullptr && m < matches->len; ++m) {
                    auto* object = g_array_index(matches, AtspiAccessible*, m);
                    if (m + 1 == matches->len &&
                        atspi_accessible_get_role(object, nullptr) == ATSPI_ROLE_PARAGRAPH) {
                        found = std::make_unique<tavik::platform::atspi::TextElement>(object);
                    }
                    g_object_unref(object);
                }
                if (matches != nullptr) {
                    g_array_free(matches, TRUE);
                }
                g_object_unref(rule);
                g_object_unref(states);
                g_object_unref(collection);
            }
            if (frame != nullptr) {
                g_object_unref(frame);
            }
            g_object_unref(application);
        }
        g_object_unref(desktop);
        return found;
    }

private:
    QTemporaryDir profile_;
    QProcess process_;
    quint64 window_ = 0;
};

std::unique_ptr<Writer> writer;
QWidget* elsewhere = nullptr;

// The paragraph holding the caret, found before the clock starts: the text arrived when it
// holds the dictated words.
std::optional<QString> paragraphText(tavik::platform::AccessibleText& element) {
    const auto count = element.characterCount();
    return count ? element.text(0, *count) : std::nullopt;
}

void BM_DeliveryIntoWriter(benchmark::State& state) {
    const bool pages = state.range(0) == 1;
    const bool switched = state.range(1) == 1;
    static std::optional<bool> openedPages;
    if (!openedPages || *openedPages != pages) {
        writer.reset();
        writer = std::make_unique<Writer>();
        if (!writer->start(pages)) {
            state.SkipWithError("LibreOffice Writer did not come up with an accessible paragraph");
            return;
        }
        openedPages = pages;
    }
    double calls = 0;
    double spentMs = 0;
    for (auto _ : state) {
        tavik::platform::atspi::AtspiAccessibility fresh;
        TimedAccessibility timed(fresh);
        tavik::InsertionPorts ports = tavik::InsertionPorts::system();
        ports.accessibility = &timed;
        tavik::ScopedInsertionPorts scoped(ports);
        fresh.trusted(); // Tavik is running and listening from here on
        if (switched) {
            elsewhere->show();
            activate(elsewhere->winId());
            spinFor(300);
            activate(writer->window());
        }
        spinFor(500); // the person speaks; recognition runs
        const auto paragraph = writer->paragraph();
        if (!paragraph || !paragraph->writable()) {
            state.SkipWithError("Writer's paragraph is not focused");
            break;
        }
        tavik::InsertionEngine engine;
        const auto start = Clock::now();
        const auto result = engine.insert(dictated, "libreoffice-writer");
        const bool arrived = spinUntil(
            [&] {
                const auto text = paragraphText(*paragraph);
                return text && text->contains(dictated);
            },
            5000);
        const auto end = Clock::now();
        if (!arrived) {
            const std::string why = ("the text did not arrive: " + result.trace).toStdString();
            state.SkipWithError(why.c_str());
            break;
        }
        const double ms = std::chrono::duration<double, std::milli>(end - start).count();
        const double focusMs = std::chrono::duration<double, std::milli>(timed.spent).count();
        state.SetIterationTime(ms / 1000);
        calls += timed.calls;
        spentMs += focusMs;
        state.SetLabel(result.winner.toStdString());
        std::fprintf(stderr,
                     "  run: %.1f ms to the text, via %s, %d findings of the focus in %.1f ms\n",
                     ms, qPrintable(result.winner), timed.calls, focusMs);
        // Take the words out again, so each run meets the same document.
        const QString text = *paragraphText(*paragraph);
        const qsizetype at = text.indexOf(dictated);
        const int from = at > 0 && text.at(at - 1) == ' ' ? int(at) - 1 : int(at);
        paragraph->deleteText(from, int(at + dictated.size()));
    }
    state.counters["focus_calls"] = benchmark::Counter(calls, benchmark::Counter::kAvgIterations);
    state.counters["focus_ms"] = benchmark::Counter(spentMs, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_DeliveryIntoWriter)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"pages", "switched"})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(8);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") || !QFile::exists(writerProgram)) {
        std::fprintf(stderr, "needs the test desktop session and %s\n", writerProgram);
        return 0;
    }
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("Elsewhere");
    window.resize(200, 100);
    elsewhere = &window;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    writer.reset();
    return 0;
}
