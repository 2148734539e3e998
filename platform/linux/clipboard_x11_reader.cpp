#include "platform/linux/clipboard_x11_reader.h"

#include "platform/linux/x11_keys_error_trap.h"
#include "platform/linux/x11_property_window.h"

#include <QStringList>

#include <X11/Xatom.h>

#include <chrono>
#include <vector>

#include <poll.h>

namespace tavik::platform::x11 {
namespace {

using Clock = std::chrono::steady_clock;

// Targets that are part of the selection protocol, or other names for the text we already
// take as UTF8_STRING: none of them is content of its own.
bool isProtocolOrAlias(const QString& name) {
    static const QStringList skipped = {"TARGETS",
                                        "MULTIPLE",
                                        "TIMESTAMP",
                                        "SAVE_TARGETS",
                                        "DELETE",
                                        "INCR",
                                        "INSERT_SELECTION",
                                        "INSERT_PROPERTY",
                                        "TEXT",
                                        "COMPOUND_TEXT",
                                        "text/plain;charset=utf-8",
                                        "application/x-qt-image"};
    return skipped.contains(name);
}

} // namespace

struct SelectionReader::Deadline {
    Clock::time_point at;
    int remainingMs() const {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(at - Clock::now());
        return static_cast<int>(std::max<std::int64_t>(left.count(), 0));
    }
};

SelectionReader::SelectionReader(const char* selection) {
    installRecordingErrorHandler();
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) {
        return;
    }
    window_ = makePropertyWindow(display_);
    selection_ = XInternAtom(display_, selection, False);
    targets_ = XInternAtom(display_, "TARGETS", False);
    incr_ = XInternAtom(display_, "INCR", False);
    property_ = XInternAtom(display_, "_TAVIK_CLIPBOARD_READ", False);
    utf8String_ = XInternAtom(display_, "UTF8_STRING", False);
    XSync(display_, False);
}

SelectionReader::~SelectionReader() {
    if (display_ != nullptr) {
        XCloseDisplay(display_);
    }
}

// Waits for an event of `eventType` about our window and `about` (the property of a property
// event, the target of a selection answer),
// dropping everything else: answers to reads that timed out earlier arrive late and are stale.
bool SelectionReader::waitFor(int eventType, Atom about, const Deadline& deadline, XEvent& event) {
    for (;;) {
        while (XPending(display_) > 0) {
            XNextEvent(display_, &event);
            if (event.type != eventType || event.xany.window != window_) {
                continue;
            }
            if (eventType == PropertyNotify &&
                (event.xproperty.atom != about || event.xproperty.state != PropertyNewValue)) {
                continue;
            }
            if (eventType == SelectionNotify && event.xselection.target != about) {
                continue;
            }
            return true;
        }
        const int left = deadline.remainingMs();
        if (left <= 0) {
            return false;
        }
        pollfd fd{ConnectionNumber(display_), POLLIN, 0};
        ::poll(&fd, 1, left);
    }
}

std::optional<QByteArray> SelectionReader::readIncrementally(const Deadline& deadline) {
    QByteArray whole;
    XEvent event;
    for (;;) {
        if (!waitFor(PropertyNotify, property_, deadline, event)) {
            return std::nullopt;
        }
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display_, window_, property_, 0, 0x7FFFFFFF, True, AnyPropertyType,
                               &type, &format, &count, &after, &data) != Success) {
            return std::nullopt;
        }
        // Format 32 items come as longs on the client side.
        const std::size_t unit = format == 32 ? sizeof(long) : static_cast<std::size_t>(format / 8);
        const auto bytes = static_cast<qsizetype>(count * unit);
        if (data != nullptr) {
            whole.append(reinterpret_cast<const char*>(data), bytes);
            XFree(data);
        }
        if (bytes == 0) {
            return whole; // an empty piece ends the transfer
        }
    }
}

std::optional<QByteArray> SelectionReader::convert(Atom target, const Deadline& deadline,
                                                   Atom* type) {
    XDeleteProperty(display_, window_, property_);
    XConvertSelection(display_, selection_, target, property_, window_, CurrentTime);
    XFlush(display_);
    XEvent event;
    if (!waitFor(SelectionNotify, target, deadline, event)) {
        return std::nullopt;
    }
    if (event.xselection.property == None) {
        *type = None; // refused: this format is not to be had
        return QByteArray();
    }
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, window_, property_, 0, 0x7FFFFFFF, True, AnyPropertyType, type,
                           &format, &count, &after, &data) != Success) {
        return std::nullopt;
    }
    QByteArray bytes;
    if (data != nullptr) {
        // Format 32 items come as longs on the client side.
        const std::size_t unit = format == 32 ? sizeof(long) : static_cast<std::size_t>(format / 8);
        bytes =
            QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(count * unit));
        XFree(data);
    }
    if (*type == incr_) {
        XFlush(display_); // the deletion above tells the owner to start
        return readIncrementally(deadline);
    }
    return bytes;
}

std::optional<SelectionReader::Formats> SelectionReader::read(int boundMs) {
    if (display_ == nullptr) {
        return std::nullopt;
    }
    const Deadline deadline{Clock::now() + std::chrono::milliseconds(boundMs)};
    if (XGetSelectionOwner(display_, selection_) == None) {
        return Formats{};
    }
    Atom type = None;
    const auto list = convert(targets_, deadline, &type);
    if (!list || type != XA_ATOM) {
        return std::nullopt;
    }
    const auto* atoms = reinterpret_cast<const long*>(list->constData());
    const std::size_t count = static_cast<std::size_t>(list->size()) / sizeof(long);
    std::vector<Atom> targets(atoms, atoms + count);
    Formats formats;
    for (const Atom target : targets) {
        char* rawName = nullptr;
        {
            RequestTrap trap(display_);
            rawName = XGetAtomName(display_, target);
        }
        if (rawName == nullptr) {
            continue;
        }
        const QString name = QString::fromUtf8(rawName);
        XFree(rawName);
        const bool plainText = target == utf8String_;
        const bool latin1Text = target == XA_STRING;
        if (isProtocolOrAlias(name) || (!plainText && !latin1Text && !name.contains('/'))) {
            continue;
        }
        Atom got = None;
        const auto bytes = convert(target, deadline, &got);
        if (!bytes) {
            return std::nullopt;
        }
        if (got == None || bytes->isEmpty()) {
            continue;
        }
        if (plainText) {
            formats[QStringLiteral("text/plain")] = *bytes;
        } else if (latin1Text) {
            formats.try_emplace(QStringLiteral("text/plain"), QString::fromLatin1(*bytes).toUtf8());
        } else {
            formats[name] = *bytes;
        }
    }
    return formats;
}

} // namespace tavik::platform::x11
