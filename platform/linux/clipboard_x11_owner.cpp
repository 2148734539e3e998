#include "platform/linux/clipboard_x11_owner.h"

#include "platform/linux/x11_keys_error_trap.h"
#include "platform/linux/x11_property_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace tavik::platform::x11 {

ClipboardOwner::ClipboardOwner(const char* selection) {
    installRecordingErrorHandler();
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr || ::pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    window_ = makePropertyWindow(display_);
    selection_ = XInternAtom(display_, selection, False);
    targets_ = XInternAtom(display_, "TARGETS", False);
    timestamp_ = XInternAtom(display_, "TIMESTAMP", False);
    multiple_ = XInternAtom(display_, "MULTIPLE", False);
    utf8String_ = XInternAtom(display_, "UTF8_STRING", False);
    text_ = XInternAtom(display_, "TEXT", False);
    mimeUtf8_ = XInternAtom(display_, "text/plain;charset=utf-8", False);
    stampProperty_ = XInternAtom(display_, "_TAVIK_CLIPBOARD_STAMP", False);
    atomPair_ = XInternAtom(display_, "ATOM_PAIR", False);
    manager_ = XInternAtom(display_, "CLIPBOARD_MANAGER", False);
    saveTargets_ = XInternAtom(display_, "SAVE_TARGETS", False);
    saveProperty_ = XInternAtom(display_, "_TAVIK_SAVE_TARGETS", False);
    long maxRequest = XExtendedMaxRequestSize(display_);
    if (maxRequest == 0) {
        maxRequest = XMaxRequestSize(display_);
    }
    maxBytes_ = static_cast<std::size_t>(maxRequest) * 4 - 4096;
    clientMask_ =
        ~static_cast<unsigned long>(xcb_get_setup(XGetXCBConnection(display_))->resource_id_mask);
    XSync(display_, False);
    thread_ = std::thread([this] { run(); });
}

ClipboardOwner::~ClipboardOwner() {
    if (thread_.joinable()) {
        stopping_ = true;
        const char wake = 1;
        [[maybe_unused]] auto written = ::write(wakePipe_[1], &wake, 1);
        thread_.join();
    }
    for (int fd : wakePipe_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    if (display_ != nullptr) {
        XCloseDisplay(display_);
    }
}

bool ClipboardOwner::runOnThread(std::function<bool()> work) {
    if (!thread_.joinable()) {
        return false;
    }
    auto result = std::make_shared<std::optional<bool>>();
    {
        std::lock_guard lock(mutex_);
        work_.push_back([result, work = std::move(work), this] {
            const bool ok = work();
            std::lock_guard inner(mutex_);
            *result = ok;
            done_.notify_all();
        });
    }
    const char wake = 1;
    [[maybe_unused]] auto written = ::write(wakePipe_[1], &wake, 1);
    std::unique_lock lock(mutex_);
    done_.wait_for(lock, std::chrono::seconds(1), [&] { return result->has_value(); });
    return result->value_or(false);
}

bool ClipboardOwner::own(const Formats& formats) {
    for (const auto& [format, data] : formats) {
        if (static_cast<std::size_t>(data.size()) > maxBytes_) {
            return false;
        }
    }
    return runOnThread([this, formats] { return takeSelection(formats); });
}

void ClipboardOwner::release() {
    runOnThread([this] {
        if (owning_) {
            XSetSelectionOwner(display_, selection_, None, ownedSince_);
            XSync(display_, False);
            owning_ = false;
            ++generation_;
        }
        return true;
    });
}

// The selection must be taken with a real server time (clients compare it with their request
// times); a zero-length property append returns one in its PropertyNotify.
Time ClipboardOwner::serverTime() {
    XChangeProperty(display_, window_, stampProperty_, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XFlush(display_);
    XEvent event;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while (std::chrono::steady_clock::now() < deadline) {
        if (XCheckTypedWindowEvent(display_, window_, PropertyNotify, &event) != 0) {
            if (event.xproperty.atom == stampProperty_) {
                return event.xproperty.time;
            }
            continue;
        }
        pollfd fd{ConnectionNumber(display_), POLLIN, 0};
        ::poll(&fd, 1, 20);
    }
    return CurrentTime;
}

bool ClipboardOwner::takeSelection(const Formats& formats) {
    targetsByAtom_.clear();
    for (const auto& [format, data] : formats) {
        const Atom atom = XInternAtom(display_, format.toUtf8().constData(), False);
        targetsByAtom_[atom] = Target{atom, data};
        if (format == QLatin1String("text/plain")) {
            // What X clients ask for when they want text; Qt's "text/plain" is UTF-8.
            targetsByAtom_.try_emplace(utf8String_, Target{utf8String_, data});
            targetsByAtom_.try_emplace(text_, Target{utf8String_, data});
            targetsByAtom_.try_emplace(mimeUtf8_, Target{mimeUtf8_, data});
            targetsByAtom_.try_emplace(XA_STRING,
                                       Target{XA_STRING, QString::fromUtf8(data).toLatin1()});
        }
    }
    {
        std::lock_guard lock(mutex_);
        fetchers_.clear();
    }
    const Time now = serverTime();
    XSetSelectionOwner(display_, selection_, window_, now);
    const bool taken = XGetSelectionOwner(display_, selection_) == window_;
    if (taken) {
        ownedSince_ = now;
        owning_ = true;
        ++generation_;
    }
    return taken;
}

bool ClipboardOwner::writeTarget(const XSelectionRequestEvent& request, Atom property) {
    Display* display = display_;
    if (request.target == targets_) {
        std::vector<Atom> offered{targets_, timestamp_};
        for (const auto& entry : targetsByAtom_) {
            offered.push_back(entry.first);
        }
        XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(offered.data()),
                        static_cast<int>(offered.size()));
        return true;
    }
    if (request.target == timestamp_) {
        const long stamp = static_cast<long>(ownedSince_);
        XChangeProperty(display, request.requestor, property, XA_INTEGER, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&stamp), 1);
        return true;
    }
    const auto found = targetsByAtom_.find(request.target);
    if (found == targetsByAtom_.end()) {
        return false;
    }
    const Target& target = found->second;
    XChangeProperty(display, request.requestor, property, target.type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(target.data.constData()),
                    static_cast<int>(target.data.size()));
    ++deliveries_;
    {
        std::lock_guard lock(mutex_);
        fetchers_.push_back(request.requestor);
    }
    return true;
}

bool ClipboardOwner::fetchedBy(Window window) {
    std::lock_guard lock(mutex_);
    for (const Window requestor : fetchers_) {
        if (window == None || (requestor & clientMask_) == (window & clientMask_)) {
            return true;
        }
    }
    return false;
}

// A list of (target, property) pairs in one request, as clipboard managers ask when they take
// a copy; a target we cannot give is replaced by None in the list.
bool ClipboardOwner::writeMultiple(const XSelectionRequestEvent& request) {
    if (request.property == None) {
        return false;
    }
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, request.requestor, request.property, 0, 0x10000, False,
                           AnyPropertyType, &type, &format, &count, &after, &data) != Success ||
        data == nullptr || format != 32) {
        if (data != nullptr) {
            XFree(data);
        }
        return false;
    }
    auto* pairs = reinterpret_cast<Atom*>(data); // 32-bit items come as longs
    for (unsigned long i = 0; i + 1 < count; i += 2) {
        XSelectionRequestEvent single = request;
        single.target = pairs[i];
        if (pairs[i] == multiple_ || pairs[i + 1] == None || !writeTarget(single, pairs[i + 1])) {
            pairs[i] = None;
        }
    }
    XChangeProperty(display_, request.requestor, request.property, atomPair_, 32, PropModeReplace,
                    data, static_cast<int>(count));
    XFree(data);
    return true;
}

ClipboardOwner::SaveResult ClipboardOwner::saveToManager(int boundMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    auto result = std::make_shared<std::optional<SaveResult>>();
    const bool asked = runOnThread([this, result] {
        if (!owning_) {
            *result = SaveResult::nothingHeld;
            return true;
        }
        if (XGetSelectionOwner(display_, manager_) == None) {
            *result = SaveResult::noManager;
            return true;
        }
        // The targets worth keeping, named on our window for the manager to read.
        std::vector<Atom> targets;
        for (const auto& entry : targetsByAtom_) {
            targets.push_back(entry.first);
        }
        XChangeProperty(display_, window_, saveProperty_, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(targets.data()),
                        static_cast<int>(targets.size()));
        {
            std::lock_guard lock(mutex_);
            saveAnswer_.reset();
        }
        XConvertSelection(display_, manager_, saveTargets_, saveProperty_, window_, ownedSince_);
        XFlush(display_);
        return true;
    });
    if (!asked) {
        return SaveResult::noAnswer;
    }
    {
        std::lock_guard lock(mutex_);
        if (result->has_value()) {
            return **result;
        }
    }
    std::unique_lock lock(mutex_);
    if (!done_.wait_until(lock, deadline, [this] { return saveAnswer_.has_value(); })) {
        return SaveResult::noAnswer;
    }
    return *saveAnswer_ ? SaveResult::saved : SaveResult::refused;
}

void ClipboardOwner::answer(const XSelectionRequestEvent& request) {
    // Old clients name no property; the target's name then serves as one.
    Atom property = request.property != None ? request.property : request.target;
    // Request times are not compared with ours: clients stamp requests with the last time they
    // happened to see, often older than the moment we took the selection, and would be refused.
    const bool ours = owning_ && request.selection == selection_;
    RequestTrap trap(display_); // the requestor may be gone already
    const bool written = ours && (request.target == multiple_ ? writeMultiple(request)
                                                              : writeTarget(request, property));
    if (!written) {
        property = None;
    }
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = display_;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.property = property;
    reply.xselection.time = request.time;
    XSendEvent(display_, request.requestor, False, NoEventMask, &reply);
    XFlush(display_);
}

void ClipboardOwner::run() {
    pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    while (!stopping_) {
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == SelectionRequest) {
                answer(event.xselectionrequest);
            } else if (event.type == SelectionClear && event.xselectionclear.window == window_) {
                if (owning_.exchange(false)) {
                    ++generation_;
                }
            } else if (event.type == SelectionNotify && event.xselection.requestor == window_ &&
                       event.xselection.selection == manager_) {
                std::lock_guard lock(mutex_);
                saveAnswer_ = event.xselection.property != None;
                done_.notify_all();
            }
        }
        std::deque<std::function<void()>> work;
        {
            std::lock_guard lock(mutex_);
            work.swap(work_);
        }
        for (auto& item : work) {
            item();
        }
        if (!work.empty()) {
            continue; // the work may have queued events
        }
        ::poll(fds, 2, 1000);
        if ((fds[1].revents & POLLIN) != 0) {
            char drain[64];
            while (::read(wakePipe_[0], drain, sizeof drain) > 0) {
            }
        }
    }
}

} // namespace tavik::platform::x11
