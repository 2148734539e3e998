#pragma once

#include "app/shell/design/look.h"
#include "app/shell/design/motion.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QEvent>
#include <QObject>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <functional>

namespace tavik::bench {

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
