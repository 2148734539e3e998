// Tavik's entry point: dictation runs from the event loop, without any window yet.
#include "app/dictation/dictation_controller.h"
#include "app/dictation/dictation_wiring.h"
#include "app/dictation/signal_hooks.h"
#include "app/insertion/frontmost_tracker.h"
#include "app/stores/diagnostic_log.h"
#include "platform/clipboard.h"
#include "platform/defaults_store.h"

#include <QApplication>

#include <csignal>
#include <unistd.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavik"));
    QApplication::setQuitOnLastWindowClosed(false);
    tavik::DiagnosticLog::installAsPlatformSink();

    tavik::FrontmostTracker::shared(); // activation tracking starts now
    tavik::DictationController controller(tavik::dictation::makeApplicationParts());
    controller.start();

    // A terminal's Ctrl+C or the session's SIGTERM end the program the orderly way.
    const auto quit = [](int) {
        QCoreApplication::quit();
    };
    tavik::dictation::handleSignalOnMainThread(SIGTERM, quit);
    tavik::dictation::handleSignalOnMainThread(SIGINT, quit);

    app.exec();

    tavik::slog(QStringLiteral("quitting"));
    controller.shutdown();
    tavik::platform::DefaultsStore::shared().flush();
    tavik::platform::handOverAtQuit();
    tavik::DiagnosticLog::append(QStringLiteral("[tavik] exited cleanly\n"));
    // Recognition and voice-activity threads may still be inside the speech engine: leave
    // without running destructors under them.
    ::_exit(0);
}
