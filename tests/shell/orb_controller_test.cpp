// The floating button's controller over a real dictation controller, the real defaults file
// and log under the test's HOME, and screens the test sets: where the button stands as screens
// change, clicks and drags, and the context menu's entries and their effects.
#include "app/shell/orb_controller.h"
#include "app/shell/orb_panel.h"
#include "app/stores/diagnostic_log.h"
#include "app/stores/preferences.h"
#include "platform/defaults_store.h"
#include "tests/support/controller_harness.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>

#include <gtest/gtest.h>

namespace tavik {
namespace {

using dictation::State;
using orb_placement::ScreenArea;

// The worked example's screen, 1512 × 982, its visible area 25 px above the bottom and 37 px
// below the top, as the window system reports it (top-left coordinates).
ScreenArea laptop(int visibleBottom = 25) {
    return {QRect(0, 0, 1512, 982), QRect(0, 37, 1512, 945 - visibleBottom)};
}

class OrbControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        stage.start();
        FloatingButtonActions actions;
        actions.openMain = [this] {
            calls << "main";
        };
        actions.openSettings = [this] {
            calls << "settings";
        };
        actions.quit = [this] {
            calls << "quit";
        };
        orb = std::make_unique<OrbController>(stage.controller(), std::move(actions),
                                              [this] { return screens; });
    }

    QStringList orbLogLines() const {
        QFile file(DiagnosticLog::url());
        QStringList lines;
        if (file.open(QIODevice::ReadOnly)) {
            for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
                if (line.contains("] orb: ")) {
                    lines << line.mid(line.indexOf("] ") + 2);
                }
            }
        }
        return lines;
    }
    std::optional<QString> saved() const {
        return platform::DefaultsStore::shared().string("orbOrigin");
    }
    QPoint position() const { return orb->panel()->pos(); }

    // A mouse event on the button's face at a point on the screen, as the window system sends
    // it to the widget under the pointer.
    void mouse(QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons held,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* face = orb->panel()->childAt(37, 37);
        ASSERT_NE(face, nullptr);
        QMouseEvent event(type, QPointF(face->mapFromGlobal(global)), QPointF(global), button, held,
                          modifiers);
        QApplication::sendEvent(face, &event);
    }
    void drag(QPoint by) {
        const QPoint from = position() + QPoint(37, 37);
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseMove, from + by / 2, Qt::NoButton, Qt::LeftButton);
        mouse(QEvent::MouseMove, from + by, Qt::NoButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, from + by, Qt::LeftButton, Qt::NoButton);
    }
    static QMenu* openMenu() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }

    test::ControllerStage stage;
    QList<ScreenArea> screens{laptop()};
    QStringList calls;
    std::unique_ptr<OrbController> orb;
};

TEST_F(OrbControllerTest, StandsOnAVisibleScreenAndLogsOnlyTheMovesScreensCause) {
    // Nothing is built or shown before the first show.
    orb->hide();
    EXPECT_FALSE(orb->isVisible());
    EXPECT_EQ(orb->panel(), nullptr);

    orb->show();
    ASSERT_TRUE(orb->isVisible());
    // Origin (1402, 121) from the bottom-left: 982 − 121 − 74 = 787 from the top.
    EXPECT_EQ(position(), QPoint(1402, 787));
    orb->show();
    EXPECT_TRUE(orbLogLines().isEmpty()) << "the first positioning is not a move";
    EXPECT_FALSE(saved().has_value()) << "automatic placement saves nothing";

    // The dock grows: the visible area now starts 60 px above the bottom.
    screens = {laptop(60)};
    orb->show();
    EXPECT_EQ(position(), QPoint(1402, 752));
    orb->show();
    EXPECT_EQ(orbLogLines(), QStringList{"orb: moved to 1402,156 for 1 connected screen(s)"});

    // Dragged until a third of it is beyond the right edge: that unclamped place is kept, and
    // the next placement brings the right edge back to the screen's.
    drag(QPoint(61, 0));
    EXPECT_EQ(position(), QPoint(1463, 752));
    EXPECT_EQ(saved(), "{1463, 156}");
    EXPECT_EQ(stage.state(), State::idle()) << "a drag is no click";
    orb->show();
    EXPECT_EQ(position(), QPoint(1438, 752));
    EXPECT_EQ(orbLogLines().last(), "orb: moved to 1438,156 for 1 connected screen(s)");
    EXPECT_EQ(saved(), "{1463, 156}");

    // While the pointer holds the button, the saved place (from before the drag) never pulls it
    // back under the pointer.
    const QPoint grip = position() + QPoint(37, 37);
    mouse(QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, grip - QPoint(300, 200), Qt::NoButton, Qt::LeftButton);
    orb->show();
    orb->place();
    EXPECT_EQ(position(), QPoint(1138, 552));
    mouse(QEvent::MouseButtonRelease, grip - QPoint(300, 200), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(saved(), "{1138, 356}");

    // A place on a second screen that is later unplugged: the default place on the one left,
    // and back again once the screen returns.
    screens = {laptop(60), {QRect(1512, 0, 1920, 1080), QRect(1512, 0, 1920, 1050)}};
    platform::DefaultsStore::shared().setString("orbOrigin", "{2500, 400}");
    orb->place();
    EXPECT_EQ(position(), QPoint(2500, 982 - 400 - 74));
    EXPECT_EQ(orbLogLines().last(), "orb: moved to 2500,400 for 2 connected screen(s)");
    screens = {laptop(60)};
    orb->place();
    EXPECT_EQ(position(), QPoint(1402, 752));
    screens = {laptop(60), {QRect(1512, 0, 1920, 1080), QRect(1512, 0, 1920, 1050)}};
    orb->place();
    EXPECT_EQ(position(), QPoint(2500, 508));

    // Unreadable text is the zero point: the bottom-left corner of the visible area.
    platform::DefaultsStore::shared().setString("orbOrigin", "{nan, oops}");
    orb->place();
    EXPECT_EQ(position(), QPoint(0, 982 - 60 - 74));
    EXPECT_EQ(orbLogLines().size(), 6);
}

TEST_F(OrbControllerTest, AClickTogglesTheDictationAndMenuClicksDoNot) {
    orb->show();
    const QPoint centre = position() + QPoint(37, 37);
    mouse(QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, centre, Qt::LeftButton, Qt::NoButton);
    stage.drain();
    EXPECT_EQ(stage.state(), State::recording());

    // A press in the square's corner is not on the round button.
    mouse(QEvent::MouseButtonPress, position() + QPoint(2, 2), Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, position() + QPoint(2, 2), Qt::LeftButton, Qt::NoButton);
    stage.drain();
    EXPECT_EQ(stage.state(), State::recording());

    // A right click and a Ctrl+click open the menu at the pointer and leave the dictation be.
    for (const auto& [button, modifiers] :
         {std::pair{Qt::RightButton, Qt::KeyboardModifiers()},
          std::pair{Qt::LeftButton, Qt::KeyboardModifiers(Qt::ControlModifier)}}) {
        mouse(QEvent::MouseButtonPress, centre, button, button, modifiers);
        QMenu* menu = openMenu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->actions().size(), 7);
        EXPECT_EQ(menu->activeAction(), nullptr) << "nothing pre-selected";
        menu->close();
        mouse(QEvent::MouseButtonRelease, centre, button, Qt::NoButton, modifiers);
        stage.drain();
        EXPECT_EQ(stage.state(), State::recording());
    }

    // The second click ends it.
    stage.speak(1.0);
    mouse(QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, centre, Qt::LeftButton, Qt::NoButton);
    stage.drain();
    EXPECT_EQ(stage.state(), State::transcribing());
}

TEST_F(OrbControllerTest, MenuEntriesAndWhatEachDoes) {
    std::unique_ptr<QMenu> menu(orb->makeMenu());
    QStringList entries;
    for (QAction* action : menu->actions()) {
        entries << (action->isSeparator() ? QStringLiteral("—")
                                          : action->text() + " = " + action->data().toString());
        EXPECT_TRUE(action->shortcut().isEmpty());
    }
    EXPECT_EQ(entries, QStringList({"Open Tavik = main", "Settings… = settings", "—",
                                    "Move to default position = reset", "Hide this button = hide",
                                    "—", "Quit Tavik = quit"}));
    EXPECT_EQ(menu->font().pixelSize(), 13) << "the dark menu look";

    const auto choose = [&](int index) {
        menu->actions().at(index)->trigger();
    };
    choose(0);
    choose(1);
    choose(6);
    EXPECT_EQ(calls, QStringList({"main", "settings", "quit"}));

    // Before the first show there is no button to move.
    choose(3);
    EXPECT_FALSE(saved().has_value());

    orb->show();
    platform::DefaultsStore::shared().setString("orbOrigin", "{40, 300}");
    orb->show();
    ASSERT_EQ(position(), QPoint(40, 982 - 300 - 74));
    const int logged = orbLogLines().size();
    choose(3);
    EXPECT_EQ(position(), QPoint(1402, 787));
    EXPECT_EQ(saved(), "{1402, 121}");
    EXPECT_EQ(orbLogLines().size(), logged) << "moving to the default place is no logged move";

    ASSERT_TRUE(Preferences::shared().showOrb());
    choose(4);
    EXPECT_FALSE(orb->isVisible());
    EXPECT_FALSE(Preferences::shared().showOrb());
    EXPECT_EQ(platform::DefaultsStore::shared().exactBool("showOrb"), false);

    // An entry whose callback was never given does nothing.
    OrbController bare(stage.controller(), {}, [this] { return screens; });
    std::unique_ptr<QMenu> bareMenu(bare.makeMenu());
    for (int index : {0, 1, 6}) {
        bareMenu->actions().at(index)->trigger();
    }
    EXPECT_EQ(calls.size(), 3);
}

} // namespace
} // namespace tavik
