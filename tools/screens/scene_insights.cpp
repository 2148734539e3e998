// The insights pane over a seeded history, and with no dictation yet.
#include "app/panes/insights/insights_view.h"
#include "tests/panes/history_seed.h"
#include "tools/screens/scene.h"

namespace tavik::screens {
namespace {

const QSize paneSize(810, 660);

// Two weeks of dictation into seven applications, most of it reaching its target.
void seedInsights() {
    QList<HistoryEntry> entries;
    const QDateTime now = QDateTime::currentDateTime();
    const QStringList apps = {"Mail", "Mail",  "Mail",     "Editor",  "Editor",
                              "Chat", "Notes", "Terminal", "Browser", "Calendar"};
    for (int i = 0; i < 240; ++i) {
        HistoryEntry entry =
            seed::dictation("we should move the planning meeting to thursday so everyone can join",
                            now.addSecs(-qint64(i) * 90 * 60), apps[i % apps.size()], i % 29 != 5,
                            280 + (i * 37) % 300);
        entry.duration = 3.4 + (i % 5) * 0.3;
        entries.append(entry);
    }
    seed::writeHistoryFile(entries);
}

const SceneRegistration insightsScenes[] = {
    SceneRegistration{Scene{QStringLiteral("insights-pane"), paneSize,
                            [](SceneContext&) {
                                seedInsights();
                                return new panes::InsightsView();
                            }}},
    SceneRegistration{Scene{QStringLiteral("insights-empty"), paneSize,
                            [](SceneContext&) {
                                return new panes::InsightsView();
                            }}},
};

} // namespace
} // namespace tavik::screens
