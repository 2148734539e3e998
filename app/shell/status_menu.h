#pragma once

#include "app/dictation/dictation_state.h"
#include "app/stores/history_entry.h"

#include <QKeySequence>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QMenu;

namespace tavik::status_menu {

// What choosing an item does; the delegate carries it out.
enum class Action { none, copyEntry, openMain, openInsights, openDictionary, openSettings, quit };

// One line of the tray menu as the user reads it. Titles are plain text: fill() escapes them
// for Qt, so an "&" or a tab in a dictation shows as written.
struct Item {
    // Names the line across rebuilds ("status", "open-main", "entry:<id>" …): a line keeps its
    // menu item, and its id on a D-Bus panel, for as long as it keeps its key.
    QString key;
    bool separator = false;
    QString title;
    bool enabled = false;
    Action action = Action::none;
    QString copyText; // a recent dictation's whole text, which its item copies
    QString toolTip;
    QKeySequence shortcut;
};

struct Inputs {
    dictation::State state;
    QString triggerLabel;
    std::optional<QString> lastError;
    const QList<HistoryEntry>& entries; // newest first
};

inline constexpr int recentCount = 8;
inline constexpr int titleCharacters = 52;

// The menu's lines, top to bottom, built afresh from the controller and the history.
QList<Item> items(const Inputs& inputs);

// Whether two sets of lines show and do the same.
bool sameLines(const QList<Item>& a, const QList<Item>& b);

// "Ready — Right Alt to speak", "Listening…", or a failure's own message.
QString statusLine(const dictation::State& state, const QString& triggerLabel);

// A dictation's text cut to 52 characters as a reader counts them, then "…".
QString entryTitle(const QString& text);

// "Editor · via paste · 412ms — click to copy".
QString entryToolTip(const HistoryEntry& entry);

// A latency written as whole milliseconds, truncated toward zero; a value that is not a finite
// number (a hand-edited history) reads 0.
QString wholeMilliseconds(double latencyMs);

// A title as a menu row shows it: a tab, which a row cannot hold (Qt and D-Bus panels alike
// would open the shortcut column there), becomes a space; everything else stays as written.
QString shownTitle(const QString& plain);

// The text Qt shows for a plain title: the shown title with "&" doubled so it is no mnemonic.
QString actionText(const QString& plain);

// Makes `menu` show `lines`, in place: a line whose key the menu already shows keeps its item
// and only takes the new title, state and data. Items of lines that left stay usable until
// the next change of lines (a click already on its way still lands), then go. Choosing an item
// calls `onChosen` with its action and the menu item itself (a recent dictation's item carries
// its whole text as data).
void fill(QMenu& menu, const QList<Item>& lines,
          const std::function<void(Action, const QAction&)>& onChosen);

// The menu item of the line with `key`, shown or left at the last change; null when none.
QAction* itemFor(const QMenu& menu, const QString& key);

} // namespace tavik::status_menu
