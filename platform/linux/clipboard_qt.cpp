#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "platform/clipboard.h"
#include "platform/linux/clipboard_x11_owner.h"

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

// Reads through Qt (which speaks every format). What we put on the clipboard, our text and a
// restored snapshot alike, is held by the owner thread, which keeps answering requests while
// the main thread waits for a paste. The change count is the owner's: it moves when we take the
// clipboard and when anyone takes it from us, which is all that decides whether a snapshot may
// still be put back.
class DesktopClipboard final : public Clipboard {
public:
    ClipboardSnapshot snapshot() override {
        QClipboard* clipboard = QGuiApplication::clipboard();
        const QMimeData* data =
            clipboard != nullptr ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
        if (data == nullptr) {
            return {};
        }
        const QStringList formats = data->formats();
        if (formats.isEmpty()) {
            return {};
        }
        ClipboardItem item;
        for (const QString& format : formats) {
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

    bool setText(const QString& text) override {
        return owner_.own({{QStringLiteral("text/plain"), text.toUtf8()}});
    }

    void restore(const ClipboardSnapshot& snapshot) override {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (snapshot.empty() || snapshot.front().empty()) {
            owner_.release();
            if (clipboard != nullptr && clipboard->ownsClipboard()) {
                clipboard->clear(QClipboard::Clipboard);
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
        clipboard->setMimeData(data, QClipboard::Clipboard);
    }

    std::uint64_t changeCount() override { return owner_.generation(); }

private:
    x11::ClipboardOwner owner_;
};

} // namespace

Clipboard& Clipboard::system() {
    static auto* clipboard = new DesktopClipboard(); // its thread serves until the process ends
    return *clipboard;
}

} // namespace tavik::platform
