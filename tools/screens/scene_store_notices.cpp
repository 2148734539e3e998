// The main window while the stores have something to say: changes that could not be saved,
// and a file that was moved aside.
#include "app/panes/pane_factory.h"
#include "app/shell/root_view.h"
#include "app/stores/history.h"
#include "app/stores/store_notices.h"
#include "platform/folders.h"
#include "tools/screens/scene.h"

namespace tavik::screens {
namespace {

using Section = AppState::Section;

QWidget* mainWindowWithNotices(SceneContext& c, Section section, bool unsaved, bool movedAside) {
    StoreNotices& notices = StoreNotices::shared();
    if (unsaved) {
        // A disk that stays full for the whole scene.
        notices.watch({[] {
                           return QStringList{"your history", "your dictionary"};
                       },
                       [] { return QStringLiteral("No space left on device"); },
                       [] {
                       }});
    }
    if (movedAside) {
        const QString data = platform::Folders::fromEnvironment().data;
        notices.addNote(StoreNotices::movedAsideNote(
            data + "/history.json", data + "/history.json.unreadable-20261208T011745Z"));
    }
    HistoryEntry entry;
    entry.id = QUuid::createUuid();
    entry.text = "Thanks for the notes — I'll fold them into the draft tonight.";
    entry.app = "Mail";
    entry.via = "paste";
    entry.at = QDateTime::currentDateTimeUtc().addSecs(-600);
    entry.duration = 3.5;
    entry.latencyMs = 420;
    entry.inserted = true;
    History::shared().add(entry);
    c.appState().setSection(section);
    auto* root = new RootView(c.controller(), c.appState(), panes::makePane);
    root->setWindowTitle(QStringLiteral("Tavik"));
    return root;
}

const SceneRegistration noticeScenes[] = {
    SceneRegistration{Scene{QStringLiteral("shell-main-notices-unsaved-and-moved"),
                            QSize(1000, 660),
                            [](SceneContext& c) {
                                return mainWindowWithNotices(c, Section::dictation, true, true);
                            }}},
    SceneRegistration{Scene{QStringLiteral("shell-main-notices-moved-aside"), QSize(1000, 660),
                            [](SceneContext& c) {
                                return mainWindowWithNotices(c, Section::dictionary, false, true);
                            }}},
};

} // namespace
} // namespace tavik::screens
