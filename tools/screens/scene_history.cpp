// The history pane with a seeded history: at rest, searched (with and without results), a row
// under the pointer with its actions, notices (one from a play that could not start), the
// transform menu; and the empty pane.
#include "app/panes/history/dictation_view.h"
#include "app/panes/history/transform_menu.h"
#include "app/shell/state/app_state.h"
#include "app/stores/audio_store.h"
#include "app/stores/history.h"
#include "app/stores/player.h"
#include "app/stores/transforms.h"
#include "tools/history-seed/history_seed.h"
#include "tools/screens/scene.h"

#include <QDir>
#include <QMenu>

#include <vector>

namespace tavik::screens {
namespace {

const QSize paneSize(810, 660);

// Seeds the history (and the audio of every other entry) before the stores are first read.
QList<HistoryEntry> seedHistory() {
    const QList<HistoryEntry> entries = seed::variedHistory(QDateTime::currentDateTime());
    seed::writeHistoryFile(entries);
    const std::vector<float> samples(8000, 0.2f);
    for (qsizetype i = 0; i < entries.size(); i += 2) {
        AudioStore::shared().save(samples, entries[i].id);
    }
    return entries;
}

QWidget* historyPane(SceneContext& c) {
    return new panes::DictationView(c.controller(), c.appState());
}

const SceneRegistration historyScenes[] = {
    SceneRegistration{Scene{QStringLiteral("history-pane"), paneSize,
                            [](SceneContext& c) {
                                seedHistory();
                                return historyPane(c);
                            }}},
    SceneRegistration{Scene{QStringLiteral("history-empty"), paneSize,
                            [](SceneContext& c) {
                                return historyPane(c);
                            }}},
    SceneRegistration{Scene{QStringLiteral("history-search"), paneSize,
                            [](SceneContext& c) {
                                seedHistory();
                                c.appState().setSearch(QStringLiteral("the"));
                                return historyPane(c);
                            }}},
    SceneRegistration{Scene{QStringLiteral("history-search-none"), paneSize,
                            [](SceneContext& c) {
                                seedHistory();
                                c.appState().setSearch(QStringLiteral("zebra crossing"));
                                return historyPane(c);
                            }}},
    SceneRegistration{Scene{QStringLiteral("history-hover"), paneSize,
                            [](SceneContext& c) {
                                const QList<HistoryEntry> entries = seedHistory();
                                // The shopping list, whose audio is kept, under the pointer
                                // and just copied.
                                c.appState().setHovered(entries[2].id);
                                c.appState().setCopied(entries[2].id);
                                return historyPane(c);
                            }}},
    SceneRegistration{Scene{QStringLiteral("history-hover-long"), paneSize,
                            [](SceneContext& c) {
                                // The long mail (no audio kept): its text wraps narrower.
                                const QList<HistoryEntry> entries = seedHistory();
                                c.appState().setHovered(entries[1].id);
                                return historyPane(c);
                            }}},
    SceneRegistration{Scene{
        QStringLiteral("history-notice"), paneSize,
        [](SceneContext& c) {
            seedHistory();
            c.appState().say(QStringLiteral("“UPPERCASE” applied — on your clipboard."), false);
            return historyPane(c);
        }}},
    SceneRegistration{Scene{QStringLiteral("history-notice-error"), paneSize,
                            [](SceneContext& c) {
                                seedHistory();
                                c.appState().say(
                                    QStringLiteral("Could not connect to the rewrite service: "
                                                   "the host rewrite.example.com was not found. "
                                                   "Check the address in Settings."),
                                    true);
                                return historyPane(c);
                            }}},
    SceneRegistration{Scene{QStringLiteral("history-play-failed"), paneSize,
                            [](SceneContext& c) -> QWidget* {
                                // Play pressed on the shopping list with no sound server to
                                // play through: the row offers play again, the notice says why.
                                qputenv("PULSE_SERVER",
                                        "unix:" + QDir::home().filePath("no-server").toUtf8());
                                const QList<HistoryEntry> entries = seedHistory();
                                c.appState().setHovered(entries[2].id);
                                QWidget* pane = historyPane(c);
                                Player::shared().toggle(entries[2].id);
                                return pane;
                            }}},
    SceneRegistration{Scene{
        QStringLiteral("history-transform-menu"), QSize(),
        [](SceneContext& c) -> QWidget* {
            const QList<HistoryEntry> entries = seedHistory();
            Transforms::shared().setItems(
                {Transforms::Transform("Bullet list", TransformKind::bulletList),
                 Transforms::Transform("Formal & polite", TransformKind::ai,
                                       "Make it formal and polite"),
                 Transforms::Transform("Shorter", TransformKind::ai, "Say it in half the words")});
            QMenu* menu =
                panes::makeTransformMenu(entries[1], panes::EntryActions(c.appState()), nullptr);
            menu->setAttribute(Qt::WA_DeleteOnClose, false);
            return menu;
        }}},
};

} // namespace
} // namespace tavik::screens
