#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace tavik::platform {

// What the clipboard held: one entry per item, each a map from format (MIME type) to its data.
// X11 has a single item with many formats; an item whose map is empty keeps its entry.
using ClipboardItem = std::map<QString, QByteArray>;
using ClipboardSnapshot = std::vector<ClipboardItem>;

// The desktop clipboard (CLIPBOARD selection), or the PRIMARY selection (what was selected last,
// which some programs paste on a key of their own). Main thread only.
class Clipboard {
public:
    virtual ~Clipboard() = default;

    // Everything the clipboard's owner offers, read within snapshotBoundMs altogether. None when
    // the owner did not hand it all over in time (it hangs, stalls a transfer, or answers too
    // slowly for its many formats): the content cannot be put back, so it must not be replaced.
    virtual std::optional<ClipboardSnapshot> snapshot() = 0;
    // Replaces the content with `text`; false when the clipboard could not be taken.
    virtual bool setText(const QString& text) = 0;
    // Puts a snapshot back; an empty snapshot leaves the clipboard empty.
    virtual void restore(const ClipboardSnapshot& snapshot) = 0;
    // Grows by at least one whenever the content changes, ours or anyone else's.
    virtual std::uint64_t changeCount() = 0;
    // Whether the content we put on the clipboard last was fetched since, by the client that
    // owns `window` (any client when `window` is 0). Asking for the list of formats is not a
    // fetch; the text itself is.
    virtual bool fetchedBy(std::uint64_t window) = 0;

    static Clipboard& system();
    static Clipboard& primary();
};

inline constexpr int snapshotBoundMs = 300;

// The clipboard outlives the process that owns it only when the desktop's clipboard manager
// takes a copy; on X11 a selection ends with its owner. The termination sequence calls this
// once, at its end: work registered with beforeHandOverAtQuit() runs first (a clipboard restore
// still due, keys still being typed), then whatever this process holds on the clipboard is
// handed to the manager the standard way (the CLIPBOARD_MANAGER selection and SAVE_TARGETS),
// waiting at most handOverBoundMs. With no manager running that is logged, once. True when
// there was nothing to hand over or the manager took it.
inline constexpr int handOverBoundMs = 2000;
bool handOverAtQuit();
void beforeHandOverAtQuit(std::function<void()> work);

} // namespace tavik::platform
