// The insights pane over a seeded history, and with no dictation yet.
#include "app/panes/insights/insights_view.h"
#include "tools/history-seed/history_seed.h"
#include "tools/screens/scene.h"

namespace tavik::screens {
namespace {

const QSize paneSize(810, 660);

// Two weeks of dictation into ten applications, most of it reaching its target.
void seedInsights() {
    seed::writeHistoryFile(seed::steadyHistory(QDateTime::currentDateTime()));
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
