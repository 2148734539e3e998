#include "app/shell/termination.h"

#include "app/dictation/dictation_controller.h"
#include "app/stores/diagnostic_log.h"
#include "platform/clipboard.h"

#include <unistd.h>

namespace tavik {

Termination::Termination(DictationController& controller, Exit exit)
    : controller_(controller), exit_(std::move(exit)) {}

void Termination::run() {
    if (started_) {
        return;
    }
    started_ = true;
    slog(QStringLiteral("quitting"));
    controller_.shutdown();
    // On X11 a selection ends with its owner: the user's clipboard goes to the clipboard
    // manager before the process does.
    platform::handOverAtQuit();
    DiagnosticLog::append(QStringLiteral("[tavik] exited cleanly\n"));
    exit_(0);
}

void Termination::immediateExit(int status) {
    ::_exit(status);
}

} // namespace tavik
