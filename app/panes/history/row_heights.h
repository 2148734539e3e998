#pragma once

#include "app/stores/history_entry.h"

#include <QHash>
#include <QUuid>

#include <optional>
#include <vector>

namespace tavik::panes {

// The heights of history rows at rest, kept for the life of the process at the few widths the
// list was laid out at lately. Measuring a row means shaping its text, and a history pane is
// made anew at every visit and narrows or widens whenever its scroll bar comes or goes (a search
// that hides the list takes it away): what was measured once is not measured again. A height
// counts only for the very text, application and outcome it was measured for. Main thread only.
class RowHeights {
public:
    struct Height {
        qreal value = 0;
        bool exact = false; // false: an estimate, or a long text still being laid out
    };

    static RowHeights& shared();

    std::optional<Height> find(const HistoryEntry& entry, qreal width) const;
    // The height kept at the width closest to `width` but no further than `within` from it, as
    // an estimate: a scroll bar coming or going changes the width by a few pixels, which moves
    // few line breaks, and estimating every row anew for that costs tens of milliseconds.
    std::optional<qreal> nearby(const HistoryEntry& entry, qreal width, qreal within) const;
    void store(const HistoryEntry& entry, qreal width, Height height);

    // Widths kept at once; the one used longest ago goes first.
    static constexpr std::size_t keptWidths = 4;

private:
    struct Cached {
        QString text;
        QString app;
        bool inserted = false;
        Height height;
    };
    struct AtWidth {
        qreal width = 0;
        QHash<QUuid, Cached> rows;
    };

    AtWidth& at(qreal width);
    static std::optional<Height> lookUp(const AtWidth& kept, const HistoryEntry& entry);

    std::vector<AtWidth> widths_; // the most recently used first
};

} // namespace tavik::panes
