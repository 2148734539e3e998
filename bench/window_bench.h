#pragma once

#include "app/shell/design/look.h"
#include "app/shell/design/motion.h"
#include "app/stores/history.h"
#include "tools/history-seed/history_seed.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QEvent>
#include <QObject>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <iostream>

namespace tavik::bench {

// The history a benchmark runs over comes from --history=KIND (seed::historyOfKind; "ascii" by
// default), written with the seed tool.

// Takes --history=KIND out of the arguments; "ascii" when it is not there.
inline QString takeHistoryKind(int& argc, char** argv) {
    QString kind = QStringLiteral("ascii");
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--history=", 10) == 0) {
            kind = QString::fromUtf8(argv[i] + 10);
            std::memmove(argv + i, argv + i + 1, sizeof(char*) * size_t(argc - i));
            --argc;
            break;
        }
    }
    return kind;
}

// Writes the history of --history=KIND for the benchmark's stores and sets the word its
// searches type (one the history holds); false, said on standard error, for an unknown kind.
inline bool seedHistoryOfKind(const QString& kind, QString& searchWord) {
    const auto entries = seed::historyOfKind(kind, QDateTime::currentDateTime());
    if (entries.isEmpty() || !seed::writeHistoryFile(entries)) {
        std::cerr << "unknown --history kind\n";
        return false;
    }
    if (kind != "ascii") {
        searchWord = QString::fromUtf8(kind == "mixed" ? "συνάντηση" : "совещании");
    }
    History::shared(); // read once, before anything is timed
    return true;
}

// CPU time of the calling thread: what the main thread itself spent, whatever else ran.
inline double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// A HOME and XDG tree of the benchmark's own, made before the application exists, so the stores it
// opens never read or write the user's settings and history. Windows draw offscreen unless the
// caller's environment names another platform.
class PrivateHome {
public:
    PrivateHome() : dir_(QDir::tempPath() + "/tavik-bench-home-XXXXXX") {
        const QByteArray root = dir_.path().toUtf8();
        ::setenv("HOME", root.constData(), 1);
        ::setenv("XDG_CONFIG_HOME", (root + "/.config").constData(), 1);
        ::setenv("XDG_DATA_HOME", (root + "/.local/share").constData(), 1);
        ::setenv("XDG_STATE_HOME", (root + "/.local/state").constData(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }

private:
    QTemporaryDir dir_;
};

// Counts the paints of the widgets it watches, so a frame can be waited for and told apart from
// a repaint that never happened.
class PaintCount final : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++count;
        }
        return QObject::eventFilter(watched, event);
    }
};

struct WindowBenchOptions {
    bool instantMotion = false;    // animations jump to their end, so a frame is one whole repaint
    std::function<bool()> prepare; // runs once the application exists; false ends the program
};

// The main of a benchmark program of the windows: a private HOME, the application with Tavik's
// look, then the benchmarks.
inline int runWindowBenchmarks(int argc, char** argv, const WindowBenchOptions& options = {}) {
    PrivateHome home;
    QApplication app(argc, argv);
    design::applyTavikLook(app);
    if (options.instantMotion) {
        design::Motion::setEnabled(false);
    }
    if (options.prepare && !options.prepare()) {
        return 1;
    }
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}

} // namespace tavik::bench
