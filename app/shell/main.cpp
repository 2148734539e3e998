// Tavik's entry point: one instance per user, then the delegate runs everything from the event
// loop until one of the quit paths ends the process.
#include "app/dictation/dictation_controller.h"
#include "app/dictation/dictation_wiring.h"
#include "app/dictation/signal_hooks.h"
#include "app/panes/pane_factory.h"
#include "app/shell/app_delegate.h"
#include "app/shell/design/look.h"
#include "app/shell/orb_controller.h"
#include "app/shell/tray_icons.h"
#include "app/stores/diagnostic_log.h"
#include "app/stores/shared_saves.h"
#include "app/stores/store_notices.h"
#include "platform/display_check.h"
#include "platform/folders.h"
#include "platform/single_instance.h"

#include <QApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
    // Before anything (Qt, the log) can make a folder from a home it would misread.
    if (const QString problem = tavik::platform::Folders::environmentProblem();
        !problem.isEmpty()) {
        std::fprintf(stderr, "tavik: %s — not starting\n", qPrintable(problem));
        return 1;
    }
    if (const QString why = tavik::platform::whyNoDisplay(); !why.isEmpty()) {
        std::fprintf(stderr, "tavik: %s\n", qPrintable(why));
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavik"));
    // The desktop entry's name: the taskbar and the window manager match windows to it.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.trelvanic.tavik"));
    // Closing the main window only hides it; Tavik lives on in the tray.
    QApplication::setQuitOnLastWindowClosed(false);
    tavik::DiagnosticLog::installAsPlatformSink();
    tavik::design::applyTavikLook(app);
    QApplication::setWindowIcon(tavik::tray_icons::applicationIcon());

    using tavik::platform::SingleInstance;
    const tavik::platform::Folders folders = tavik::platform::Folders::fromEnvironment();
    SingleInstance instance(
        SingleInstance::defaultRuntimeFolder(tavik::platform::joinPath(folders.state, "runtime")),
        SingleInstance::keyFor(folders.config));
    switch (instance.claim()) {
    case SingleInstance::Claim::first:
        break;
    case SingleInstance::Claim::handedOver:
        std::fprintf(stderr, "tavik: Tavik is already running; it shows its window\n");
        return 0;
    case SingleInstance::Claim::refused:
        std::fprintf(stderr, "tavik: %s — not starting\n", qPrintable(instance.refusal()));
        return 1;
    case SingleInstance::Claim::unanswered:
        std::fprintf(stderr, "tavik: another Tavik holds %s but does not answer\n",
                     qPrintable(instance.lockPath()));
        return 1;
    }

    // Only now, with the lock held: loading the stores clears what an earlier, killed run left
    // behind, which must never be a write of another running Tavik.
    tavik::watchSharedStores(tavik::StoreNotices::shared());

    tavik::DictationController controller(tavik::dictation::makeApplicationParts());
    tavik::AppDelegate::Options options;
    options.makePane = tavik::panes::makePane;
    options.makeFloatingButton = tavik::makeOrbController;
    tavik::AppDelegate delegate(controller, std::move(options));

    QObject::connect(&instance, &SingleInstance::reopenRequested, &delegate,
                     &tavik::AppDelegate::reopen);
    // A terminal's Ctrl+C and the session's SIGTERM take the same way out as "Quit Tavik".
    const auto quit = [&delegate](int) {
        delegate.quit();
    };
    tavik::dictation::handleSignalOnMainThread(SIGTERM, quit);
    tavik::dictation::handleSignalOnMainThread(SIGINT, quit);

    QTimer::singleShot(0, &delegate, &tavik::AppDelegate::launch);
    app.exec();
    // The loop ended some other way (QCoreApplication::exit): still the one way out.
    delegate.quit();
    return 0;
}
