// The shell's windows: the main window on each section, the sidebar in each dictation state and
// the tray menu as it opens.
#include "app/dictation/dictation_controller.h"
#include "app/panes/pane_factory.h"
#include "app/shell/design/look.h"
#include "app/shell/root_view.h"
#include "app/shell/sidebar.h"
#include "app/shell/status_item.h"
#include "app/shell/status_menu.h"
#include "app/stores/history.h"
#include "tools/screens/scene.h"

#include <QMenu>

namespace tavik::screens {
namespace {

using dictation::State;
using Section = AppState::Section;

// A few dictations of a working day, newest first once added.
void seedHistory() {
    const QStringList texts = {
        "Remind me to send the quarterly numbers to Dana before Friday's review.",
        "Ship it.",
        "The migration ran cleanly on staging; R&D signs off tomorrow morning & we go live.",
        "Thanks for the notes — I'll fold them into the draft tonight.",
        "Let's move the stand-up to ten thirty so the Oslo office can join us on the call "
        "without getting up at dawn.",
    };
    const QStringList apps = {"Mail", "Terminal", "Slack", "Text Editor", "Calendar"};
    const QStringList via = {"accessibility", "type", "paste", "accessibility", "paste"};
    QDateTime at = QDateTime::currentDateTimeUtc().addSecs(-3600);
    for (int i = 0; i < texts.size(); ++i) {
        HistoryEntry entry;
        entry.id = QUuid::createUuid();
        entry.text = texts[i];
        entry.app = apps[i];
        entry.via = via[i];
        entry.at = at.addSecs(i * 240);
        entry.duration = 2.5 + i;
        entry.latencyMs = 380.6 + 41 * i;
        entry.inserted = true;
        History::shared().add(entry);
    }
}

QWidget* mainWindowOn(SceneContext& c, Section section) {
    seedHistory();
    c.appState().setSection(section);
    auto* root = new RootView(c.controller(), c.appState(), panes::makePane);
    root->setWindowTitle(QStringLiteral("Tavik"));
    return root;
}

Scene mainWindowScene(Section section) {
    return Scene{QStringLiteral("shell-main-") + AppState::rawValue(section), QSize(1000, 660),
                 [section](SceneContext& c) {
                     return mainWindowOn(c, section);
                 }};
}

// The same window on a screen scaled to 200 %: the size in device pixels doubles.
Scene atScale2(Scene scene) {
    scene.name += QStringLiteral("-scale-2");
    scene.scale = 2;
    return scene;
}

// The window on 1920x1080 at 200 % (960x540 to the window), fitted below a panel and a title
// bar: the sidebar's footer stays in sight.
Scene onASmallScreen(Scene scene) {
    scene.name += QStringLiteral("-small-screen");
    scene.size = QSize(958, 495);
    return atScale2(std::move(scene));
}

// The sidebar shows what the controller publishes; the scene publishes each state itself.
Scene sidebarScene(const QString& name, State state) {
    return Scene{QStringLiteral("shell-sidebar-") + name, QSize(190, 660),
                 [state](SceneContext& c) -> QWidget* {
                     seedHistory();
                     auto* sidebar = new Sidebar(c.controller(), c.appState());
                     emit c.controller().stateChanged(state);
                     return sidebar;
                 }};
}

// The tray menu as it opens: the same lines and look as the tray item's own menu.
QWidget* trayMenu(const State& state, const std::optional<QString>& lastError, SceneContext& c) {
    auto* menu = new QMenu;
    StatusItem::prepareMenu(*menu);
    status_menu::fill(*menu,
                      status_menu::items({state, c.controller().triggerLabel(), lastError,
                                          History::shared().entries()}),
                      {});
    return menu;
}

const SceneRegistration shellScenes[] = {
    SceneRegistration{mainWindowScene(Section::dictation)},
    SceneRegistration{mainWindowScene(Section::insights)},
    SceneRegistration{mainWindowScene(Section::dictionary)},
    SceneRegistration{mainWindowScene(Section::snippets)},
    SceneRegistration{mainWindowScene(Section::transforms)},
    SceneRegistration{mainWindowScene(Section::scratchpad)},
    SceneRegistration{mainWindowScene(Section::settings)},
    SceneRegistration{atScale2(mainWindowScene(Section::dictation))},
    SceneRegistration{atScale2(mainWindowScene(Section::settings))},
    SceneRegistration{onASmallScreen(mainWindowScene(Section::dictation))},
    SceneRegistration{sidebarScene("loading", State::loading())},
    SceneRegistration{sidebarScene("idle", State::idle())},
    SceneRegistration{sidebarScene("recording", State::recording())},
    SceneRegistration{sidebarScene("transcribing", State::transcribing())},
    SceneRegistration{sidebarScene(
        "failed", State::failed("Microphone unavailable: the USB headset was unplugged while "
                                "you were speaking"))},
    // No tray on this desktop: the problem the tray menu would carry stands under the state.
    SceneRegistration{Scene{QStringLiteral("shell-sidebar-problem-without-tray"), QSize(190, 660),
                            [](SceneContext& c) -> QWidget* {
                                seedHistory();
                                auto* sidebar = new Sidebar(c.controller(), c.appState());
                                emit c.controller().stateChanged(State::idle());
                                emit c.controller().lastErrorChanged(
                                    QString("Could not type into Mail — copied to clipboard "
                                            "instead"));
                                return sidebar;
                            }}},
    SceneRegistration{Scene{QStringLiteral("shell-tray-menu"), QSize(),
                            [](SceneContext& c) -> QWidget* {
                                seedHistory();
                                return trayMenu(c.controller().state(), c.controller().lastError(),
                                                c);
                            }}},
    SceneRegistration{Scene{QStringLiteral("shell-tray-menu-failed"), QSize(),
                            [](SceneContext& c) -> QWidget* {
                                return trayMenu(
                                    State::failed("Microphone unavailable"),
                                    QString("Could not type into Mail — copied to clipboard "
                                            "instead"),
                                    c);
                            }}},
};

} // namespace
} // namespace tavik::screens
