#pragma once

#include "app/panes/history/entry_actions.h"

#include "app/stores/history.h"

#include <QTimer>
#include <QWidget>

#include <optional>

namespace tavik {
class AppState;
class DictationController;
} // namespace tavik

namespace tavik::design {
class PaneFrame;
class WrappingLabel;
} // namespace tavik::design

namespace tavik::panes {

class HistoryHeader;
class HistoryList;
class NoticeOverlay;
class SearchField;

// The history pane, the main window's first section:
//
//   Hold [Right Alt] and speak.                         1200    142     3
//   hold Right Alt to talk · …                          WORDS…  WORDS…  DAY STREAK
//                                   24
//   ⌕ Search what you have dictated                                        ⓧ
//                                   24
//   TODAY
//   ╭ 09:41  the dictated text …                 Mail · paste · 412ms ▶ ✦ ⧉ 🗑 ╮
//   ╰ …                                                                        ╯
//                                   24
//   Nothing matches "…".                 (only when the search finds nothing)
//
// Everything scrolls together in one view padded by 28; the notice floats over its bottom.
// With no dictation at all only the header and the empty state show. The pane follows the
// history, the search text, the settings' bindings and the notice as they change, and the day
// captions and figures follow the date (midnight, a clock jump, a time zone change); the only
// value it writes is the search text.
class DictationView : public QWidget {
    Q_OBJECT

public:
    DictationView(DictationController& controller, AppState& state, QWidget* parent = nullptr,
                  EntryActions::PlaySound playSound = {});
    ~DictationView() override;

    design::PaneFrame* frame() const { return frame_; }
    HistoryHeader* header() const { return header_; }
    QWidget* emptyState() const { return empty_; }
    SearchField* searchField() const { return search_; }
    HistoryList* list() const { return list_; }
    design::WrappingLabel* noMatch() const { return noMatch_; }
    NoticeOverlay* notice() const { return notice_; }

private:
    // Re-reads the history and the search: list, empty state, no-match line, day captions.
    void refreshList();
    // The header's figures: they follow the history and the clock, never the search.
    void refreshFigures();
    void refreshHint();
    // The whole history grouped by day with its captions, grouped again only when the history
    // or the day changes: a search cleared shows it without copying every entry anew.
    struct Grouped {
        QList<History::DayGroup> groups;
        QStringList captions;
    };
    Grouped group(const QList<HistoryEntry>& entries) const;

    AppState& state_;
    design::PaneFrame* frame_;
    HistoryHeader* header_;
    QWidget* empty_;
    design::WrappingLabel* emptyHint_;
    SearchField* search_;
    HistoryList* list_;
    design::WrappingLabel* noMatch_;
    NoticeOverlay* notice_;
    std::optional<Grouped> whole_;
    QTimer figuresTimer_;
};

} // namespace tavik::panes
