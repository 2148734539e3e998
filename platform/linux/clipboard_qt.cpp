#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "platform/clipboard.h"
#include "platform/linux/clipboard_x11_owner.h"
#include "platform/linux/clipboard_x11_reader.h"
#include "platform/log_sink.h"

#include <atomic>
#include <mutex>

namespace tavik::platform {
namespace {

// Targets of the selection protocol itself, and Qt's own stand-in for image formats: none of
// them is content.
bool isProtocolTarget(const QString& format) {
    static const QStringList protocol = {
        "TARGETS", "MULTIPLE",         "TIMESTAMP",       "SAVE_TARGETS",          "DELETE",
        "INCR",    "INSERT_SELECTION", "INSERT_PROPERTY", "application/x-qt-image"};
    return protocol.contains(format);
}

// Reads over a connection of its own against one bound for the whole read, so a hung owner
// cannot hold the application; Qt's own reads wait seconds per format. What we put on the
// clipboard, our text and a restored snapshot alike, is held by the owner thread, which keeps
// answering requests while the main thread waits for a paste. The change count is the owner's: it
// moves when we take the clipboard and when anyone takes it from us, which is all that decides
// whether a snapshot may still be put back.
class DesktopClipboard final : public Clipboard {
public:
    // `mode` is how Qt names the selection that X calls `selection`.
    DesktopClipboard(QClipboard::Mode mode, const char* selection)
        : mode_(mode), owner_(selection), reader_(selection) {}

    std::optional<ClipboardSnapshot> snapshot() override {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard != nullptr && qtOwns(*clipboard)) {
            // Qt answers for this process from the main thread, which is reading: take its
            // content directly.
            return qtContent(*clipboard);
        }
        const auto formats = reader_.read(snapshotBoundMs);
        if (!formats) {
            return std::nullopt;
        }
        if (formats->empty()) {
            return ClipboardSnapshot{};
        }
        return ClipboardSnapshot{*formats};
    }

    bool setText(const QString& text) override {
        return owner_.own({{QStringLiteral("text/plain"), text.toUtf8()}});
    }

    void restore(const ClipboardSnapshot& snapshot) override {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (snapshot.empty() || snapshot.front().empty()) {
            owner_.release();
            if (clipboard != nullptr && qtOwns(*clipboard)) {
                clipboard->clear(mode_);
            }
            return;
        }
        if (owner_.own(snapshot.front()) || clipboard == nullptr) {
            return;
        }
        // Too large for the owner to hand over in one piece: Qt speaks the incremental protocol.
        auto* data = new QMimeData;
        for (const auto& [format, bytes] : snapshot.front()) {
            data->setData(format, bytes);
        }
        clipboard->setMimeData(data, mode_);
    }

    std::uint64_t changeCount() override { return owner_.generation(); }

    bool fetchedBy(std::uint64_t window) override {
        return owner_.fetchedBy(static_cast<Window>(window));
    }

    // What Qt holds (a copy made through Qt, a restore too large for the owner thread) goes to
    // the owner thread first: Qt hands its clipboard to the manager only from a destructor that
    // a process ending at once never runs.
    x11::ClipboardOwner::SaveResult handToManager(int boundMs) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (!owner_.owns() && clipboard != nullptr && qtOwns(*clipboard)) {
            const ClipboardSnapshot held = qtContent(*clipboard);
            if (!held.empty() && !held.front().empty()) {
                owner_.own(held.front());
            }
        }
        return owner_.saveToManager(boundMs);
    }

private:
    bool qtOwns(const QClipboard& clipboard) const {
        return mode_ == QClipboard::Clipboard ? clipboard.ownsClipboard()
                                              : clipboard.ownsSelection();
    }

    ClipboardSnapshot qtContent(QClipboard& clipboard) const {
        const QMimeData* data = clipboard.mimeData(mode_);
        if (data == nullptr || data->formats().isEmpty()) {
            return {};
        }
        ClipboardItem item;
        for (const QString& format : data->formats()) {
            if (isProtocolTarget(format)) {
                continue;
            }
            const QByteArray bytes = data->data(format);
            if (!bytes.isEmpty()) {
                item[format] = bytes;
            }
        }
        return {item};
    }

    QClipboard::Mode mode_;
    x11::ClipboardOwner owner_;
    x11::SelectionReader reader_;
};

std::atomic<DesktopClipboard*> created{nullptr};

std::mutex& quitWorkMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<std::function<void()>>& quitWork() {
    static std::vector<std::function<void()>> work;
    return work;
}

} // namespace

Clipboard& Clipboard::system() {
    static auto* clipboard = [] {
        // Its thread serves until the process ends.
        auto* made = new DesktopClipboard(QClipboard::Clipboard, "CLIPBOARD");
        created = made;
        return made;
    }();
    return *clipboard;
}

// Nothing of it is handed to the clipboard manager at quit: managers keep the CLIPBOARD only.
Clipboard& Clipboard::primary() {
    static auto* selection = new DesktopClipboard(QClipboard::Selection, "PRIMARY");
    return *selection;
}

void beforeHandOverAtQuit(std::function<void()> work) {
    std::lock_guard lock(quitWorkMutex());
    quitWork().push_back(std::move(work));
}

bool handOverAtQuit() {
    std::vector<std::function<void()>> work;
    {
        std::lock_guard lock(quitWorkMutex());
        work.swap(quitWork());
    }
    for (const auto& step : work) {
        step();
    }
    DesktopClipboard* clipboard = created.load();
    QClipboard* qt =
        QGuiApplication::instance() != nullptr ? QGuiApplication::clipboard() : nullptr;
    if (clipboard == nullptr) {
        if (qt == nullptr || !qt->ownsClipboard()) {
            return true; // this process never held the clipboard
        }
        clipboard = static_cast<DesktopClipboard*>(&Clipboard::system());
    }
    using Result = x11::ClipboardOwner::SaveResult;
    switch (clipboard->handToManager(handOverBoundMs)) {
    case Result::nothingHeld:
    case Result::saved:
        return true;
    case Result::noManager: {
        static std::once_flag once;
        std::call_once(once, [] {
            logLine(QStringLiteral("clipboard: no clipboard manager is running — what Tavik "
                                   "holds on the clipboard ends with it"));
        });
        return false;
    }
    case Result::refused:
        logLine(QStringLiteral("clipboard: the clipboard manager refused to keep the clipboard"));
        return false;
    case Result::noAnswer:
        logLine(QStringLiteral("clipboard: the clipboard manager did not answer in time"));
        return false;
    }
    return false;
}

} // namespace tavik::platform
