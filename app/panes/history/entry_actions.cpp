#include "app/panes/history/entry_actions.h"

#include "app/panes/history/history_texts.h"
#include "app/shell/state/app_state.h"
#include "app/stores/feedback_sounds.h"
#include "app/stores/history.h"
#include "app/stores/player.h"

#include <QClipboard>
#include <QGuiApplication>

namespace tavik::panes {

namespace {

void putOnClipboard(AppState& state, const QUuid& id, const QString& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        // setText replaces every format the clipboard held with this one plain text.
        clipboard->setText(text, QClipboard::Clipboard);
    }
    state.setCopied(id);
}

} // namespace

EntryActions::EntryActions(AppState& state, PlaySound playSound)
    : state_(&state), playSound_(std::move(playSound)) {
    if (!playSound_) {
        playSound_ = [](const QString& name) {
            FeedbackSounds::shared().play(name);
        };
    }
}

void EntryActions::copy(const HistoryEntry& entry, const QString& text) const {
    if (state_) {
        putOnClipboard(*state_, entry.id, text);
    }
}

void EntryActions::applyLocal(const HistoryEntry& entry, TransformKind kind) const {
    if (!state_) {
        return;
    }
    putOnClipboard(*state_, entry.id, Transforms::applyLocal(kind, entry.text));
    state_->say(history_texts::appliedNotice(transform_kind::label(kind)), false);
}

void EntryActions::runAI(const HistoryEntry& entry, const Transforms::Transform& transform) const {
    if (!state_) {
        return;
    }
    state_->say(history_texts::rewritingNotice(transform.name), false);
    // The window's state is the receiver: the answer is dropped only when the window itself is
    // gone, never because the row or the pane went away meanwhile.
    Transforms::applyAI(transform.instruction, entry.text, state_.data(),
                        [state = state_, id = entry.id, name = transform.name,
                         playSound = playSound_](const RewriteResult& result) {
                            if (!state) {
                                return;
                            }
                            if (result.succeeded()) {
                                putOnClipboard(*state, id, *result.text);
                                state->say(history_texts::rewriteDoneNotice(name), false);
                                return;
                            }
                            // A failed rewrite is heard whatever the sound setting says; the
                            // clipboard and the copy mark stay as they were.
                            playSound(QStringLiteral("Basso"));
                            state->say(history_texts::rewriteFailedNotice(result.error.description),
                                       true);
                        });
}

void EntryActions::remove(const HistoryEntry& entry) const {
    History::shared().remove(entry);
}

void EntryActions::togglePlay(const HistoryEntry& entry) const {
    Player::shared().toggle(entry.id);
}

} // namespace tavik::panes
