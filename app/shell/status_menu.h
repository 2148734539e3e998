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

// "Ready — Right Alt to speak", "Listening…", or a failure's own message.
QString statusLine(const dictation::State& state, const QString& triggerLabel);

// A dictation's text cut to 52 characters as a reader counts them, then "…".
QString entryTitle(const QString& text);

// "Editor · via paste · 412ms — click to copy".
QString entryToolTip(const HistoryEntry& entry);

// A latency written as whole milliseconds, truncated toward zero; a value that is not a finite
// number (a hand-edited history) reads 0.
QString wholeMilliseconds(double latencyMs);

// The text Qt shows for a plain title: "&" doubled so it is no mnemonic, a tab turned into a
// space so it does not open the shortcut column.
QString actionText(const QString& plain);

// Empties `menu` and adds `lines`; choosing an item calls `onChosen` with its action and the
// menu item itself (a recent dictation's item carries its whole text as data).
void fill(QMenu& menu, const QList<Item>& lines,
          const std::function<void(Action, const QAction&)>& onChosen);

} // namespace tavik::status_menu
