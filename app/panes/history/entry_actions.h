#pragma once

#include "app/stores/history_entry.h"
#include "app/stores/transforms.h"

#include <QPointer>
#include <QString>

#include <functional>

namespace tavik {
class AppState;
}

namespace tavik::panes {

// What a history row's buttons and transform menu do, apart from any painting, so the list,
// the keyboard and the accessibility actions all take the same road. The stores are the shared
// ones; the window's AppState carries the copy mark and the notices.
class EntryActions {
public:
    // Plays a feedback sound by name; the application's is FeedbackSounds::shared().
    using PlaySound = std::function<void(const QString& name)>;

    explicit EntryActions(AppState& state, PlaySound playSound = {});

    // Puts `text` alone on the clipboard as plain text and marks `entry` as the row copied last.
    void copy(const HistoryEntry& entry, const QString& text) const;

    // Copies the local transform of the entry's text and says so; the entry stays as it is.
    void applyLocal(const HistoryEntry& entry, TransformKind kind) const;

    // Has the rewrite service rewrite the entry's text. The answer comes later and is handled
    // even when the row, the pane or the entry is gone by then: it holds copies of the values it
    // needs and the window's state, never the row. Nothing happens once the state itself is gone.
    void runAI(const HistoryEntry& entry, const Transforms::Transform& transform) const;

    // Removes the entry from the history at once; its audio stays in the archive.
    void remove(const HistoryEntry& entry) const;

    // Plays or stops the entry's archived audio.
    void togglePlay(const HistoryEntry& entry) const;

private:
    QPointer<AppState> state_;
    PlaySound playSound_;
};

} // namespace tavik::panes
