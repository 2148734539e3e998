#pragma once

#include <functional>

namespace tavik {

class DictationController;

// The one way out of the process. Every quit path (the tray's "Quit Tavik", the floating
// button's menu, SIGTERM and SIGINT, the session's end, a quit request from Qt) ends here.
class Termination {
public:
    using Exit = std::function<void(int status)>;

    // `exit` ends the process; the application passes immediateExit, tests their own.
    explicit Termination(DictationController& controller, Exit exit = immediateExit);

    // Logs "quitting", shuts the controller down (which tries every store with unsaved changes
    // once more, waits until the newest history and scratchpad are on disk, bounded by
    // quitSaveLimit, and logs what could not be saved), hands the clipboard over, appends the
    // last log line and ends the process with status 0. Runs once: a quit that arrives while
    // quitting does nothing.
    void run();

    // True from the first step on. Windows closed now are closed by the quit, not by the user.
    bool started() const { return started_; }

    // Ends the process at once, without static destructors or Qt's teardown: recognition and
    // voice-activity threads may still be inside the speech engine.
    [[noreturn]] static void immediateExit(int status);

private:
    DictationController& controller_;
    Exit exit_;
    bool started_ = false;
};

} // namespace tavik
