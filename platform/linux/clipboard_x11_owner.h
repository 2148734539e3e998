#pragma once

// Qt's headers that Xlib's macros (Bool, Status) would break must come first.
#include <QDataStream>
#include <QMetaType>
#include <QString>
#include <QTextStream>

#include <QByteArray>

#include <X11/Xlib.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tavik::platform::x11 {

// Holds content on one selection (CLIPBOARD unless another is named, e.g. PRIMARY) from a thread
// of its own, with its own connection, so applications can fetch it while the main thread is
// busy (waiting for a paste to land). It takes the selection with a fresh server time, so it
// cannot lose to a stale timestamp.
class ClipboardOwner {
public:
    // Content by MIME type ("text/plain" is also offered under the X text targets).
    using Formats = std::map<QString, QByteArray>;

    explicit ClipboardOwner(const char* selection = "CLIPBOARD");
    ~ClipboardOwner();
    ClipboardOwner(const ClipboardOwner&) = delete;
    ClipboardOwner& operator=(const ClipboardOwner&) = delete;

    // Takes the selection with `formats`; false when it could not be taken within a second or
    // a format is too large to hand over in one piece (the incremental protocol is not spoken).
    bool own(const Formats& formats);
    // Gives the selection up if we still hold it.
    void release();
    bool owns() const { return owning_.load(); }
    // Grows each time we take the selection and each time someone takes it from us.
    std::uint64_t generation() const { return generation_.load(); }
    // How many times an application fetched our text.
    std::uint64_t deliveries() const { return deliveries_.load(); }
    // Whether the client owning `window` (any client when None) fetched content of ours since
    // we last took the selection. Clients are told apart by the resource-id base of their
    // windows: an application asks from a window of its own connection, not the one in front.
    bool fetchedBy(Window window);

    enum class SaveResult { nothingHeld, noManager, saved, refused, noAnswer };
    // Asks the desktop's clipboard manager to keep what we hold on the CLIPBOARD (SAVE_TARGETS on
    // the CLIPBOARD_MANAGER selection) and waits at most `boundMs` for its answer, serving its
    // requests for our content meanwhile.
    SaveResult saveToManager(int boundMs);

private:
    void run();
    bool runOnThread(std::function<bool()> work);
    Time serverTime();
    bool takeSelection(const Formats& formats);
    void answer(const XSelectionRequestEvent& request);
    bool writeTarget(const XSelectionRequestEvent& request, Atom property);
    bool writeMultiple(const XSelectionRequestEvent& request);

    Display* display_ = nullptr;
    Window window_ = None;
    Atom selection_ = None;
    Atom targets_ = None;
    Atom timestamp_ = None;
    Atom multiple_ = None;
    Atom utf8String_ = None;
    Atom text_ = None;
    Atom mimeUtf8_ = None;
    Atom stampProperty_ = None;
    Atom atomPair_ = None;
    Atom manager_ = None;
    Atom saveTargets_ = None;
    Atom saveProperty_ = None;
    Time ownedSince_ = CurrentTime;
    struct Target {
        Atom type;
        QByteArray data;
    };
    std::map<Atom, Target> targetsByAtom_;
    std::size_t maxBytes_ = 0;

    int wakePipe_[2] = {-1, -1};
    std::mutex mutex_;
    std::condition_variable done_;
    std::deque<std::function<void()>> work_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> owning_{false};
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<std::uint64_t> deliveries_{0};
    std::optional<bool> saveAnswer_; // the manager's answer; guarded by mutex_
    std::vector<Window> fetchers_;   // requestors of content since we took it; guarded by mutex_
    unsigned long clientMask_ = 0;   // the bits of a resource id that name the client
    std::thread thread_;
};

} // namespace tavik::platform::x11
