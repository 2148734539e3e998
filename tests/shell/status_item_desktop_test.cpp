// The tray item between the two kinds of tray: the menu a D-Bus panel reads follows the state,
// the last problem and the history as they change, without being opened; the XEmbed tray gets
// the icon only while no D-Bus panel shows it; the icon takes the ink the XEmbed tray asks for.
#include "app/panes/pane_factory.h"
#include "app/shell/app_delegate.h"
#include "app/shell/status_item.h"
#include "app/shell/tray_presence.h"
#include "app/stores/history.h"
#include "platform/defaults_store.h"
#include "tests/support/controller_harness.h"
#include "tests/support/status_notifier_host.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

#include "tests/shell/shell_hosts.h" // last: Xlib's macros would clash with Qt's names

namespace tavik {
namespace {

using dictation::Action;

class StatusItemOnTheDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        TAVIK_REQUIRE_DESKTOP();
        platform::DefaultsStore::shared().setBool("hasLaunchedBefore", true);
    }

    void launch() {
        stage.build();
        AppDelegate::Options options;
        options.makePane = panes::makePane;
        options.exit = [](int) {
        };
        delegate = std::make_unique<AppDelegate>(stage.controller(), std::move(options));
        delegate->launch();
    }
    StatusItem& item() { return *delegate->statusItem(); }

    // The menu's lines as the panel reads them now, by label.
    QHash<QString, int> menuIds() {
        QHash<QString, int> ids;
        if (const auto menu = panel.menu(itemName)) {
            for (const test::MenuNode& child : menu->children) {
                ids.insert(child.shownLabel(), child.id);
            }
        }
        return ids;
    }

    test::StatusNotifierHost panel;
    test::ControllerStage stage;
    std::unique_ptr<AppDelegate> delegate;
    QString itemName;
};

TEST_F(StatusItemOnTheDesktop, APanelsMenuFollowsStateProblemAndHistoryUnopened) {
    ASSERT_TRUE(panel.start());
    launch();
    itemName = panel.waitForItem(QCoreApplication::applicationPid(), 10000);
    ASSERT_FALSE(itemName.isEmpty());
    ASSERT_TRUE(test::spinUntil([&] { return item().shownInTray(); }, 5000));
    EXPECT_TRUE(TrayPresence::shared().shown());
    EXPECT_EQ(item().xembedIcon(), nullptr) << "the D-Bus panel had it from the start";

    const QHash<QString, int> first = menuIds();
    ASSERT_TRUE(first.contains("Loading model…")) << first.keys().join(" | ").toStdString();
    const int layouts = panel.layoutUpdates();

    // A state change is one line's new label: the panel is not sent for the whole layout.
    stage.loadModels();
    ASSERT_TRUE(
        test::spinUntil([&] { return menuIds().contains("Ready — Right Alt to speak"); }, 5000));
    stage.press(Action::pushToTalk);
    ASSERT_TRUE(test::spinUntil([&] { return menuIds().contains("Listening…"); }, 5000));
    EXPECT_EQ(panel.layoutUpdates(), layouts);
    EXPECT_GE(panel.propertyUpdates(), 2);
    EXPECT_EQ(menuIds().value("Listening…"), first.value("Loading model…"));
    stage.escape();

    // A problem adds its line, a dictation its entry; lines that stay keep their ids.
    stage.advance(11.0);
    stage.capture->running = false;
    stage.capture->startError = Error::tavik(10, "The microphone would not start");
    stage.press(Action::pushToTalk);
    ASSERT_TRUE(test::spinUntil(
        [&] { return menuIds().contains("The microphone would not start"); }, 5000));
    HistoryEntry entry;
    entry.id = QUuid::createUuid();
    entry.text = "snake_case & R&D\tnotes";
    entry.app = "Editor";
    entry.via = "paste";
    entry.at = QDateTime::currentDateTimeUtc();
    History::shared().add(entry);
    ASSERT_TRUE(
        test::spinUntil([&] { return menuIds().contains("snake_case & R&D notes"); }, 5000));
    const QHash<QString, int> later = menuIds();
    EXPECT_EQ(panel.layoutUpdates(), layouts + 2) << "one layout change per change of lines";
    for (const QString& kept : {QString("Open Tavik"), QString("Quit Tavik")}) {
        EXPECT_EQ(later.value(kept), first.value(kept)) << kept.toStdString();
    }

    EXPECT_TRUE(panel.menuEvent(itemName, later.value("snake_case & R&D notes")));
    EXPECT_TRUE(
        test::spinUntil([&] { return QGuiApplication::clipboard()->text() == entry.text; }, 5000));
}

TEST_F(StatusItemOnTheDesktop, TheXEmbedTrayHasTheIconOnlyWhileNoDBusPanelShowsIt) {
    test::ShellHosts hosts; // openbox and trayer
    ASSERT_TRUE(hosts.start()) << hosts.output().toStdString();
    test::XQuery x;
    ASSERT_TRUE(x.valid());
    const qint64 self = QCoreApplication::applicationPid();
    ASSERT_TRUE(panel.start());
    launch();
    ASSERT_FALSE(panel.waitForItem(self, 10000).isEmpty());
    ASSERT_TRUE(test::spinUntil([&] { return item().shownInTray(); }, 5000));
    EXPECT_EQ(item().xembedIcon(), nullptr) << "no second icon in trayer";

    // The panel quits: the icon goes to the XEmbed tray, in the colour that tray asks for.
    panel.stop();
    ASSERT_TRUE(test::spinUntil([&] { return x.trayIconOf(self).has_value(); }, 10000))
        << "the icon never docked in trayer";
    EXPECT_TRUE(item().shownInTray());
    const Window tray = x.trayOwner();
    ASSERT_NE(tray, None);
    ASSERT_EQ(
        test::run("xprop", {"-id", QString::number(tray), "-f", "_NET_SYSTEM_TRAY_COLORS", "32c",
                            "-set", "_NET_SYSTEM_TRAY_COLORS", "65535,0,0,0,0,0,0,0,0,0,0,0"}),
        0);
    ASSERT_TRUE(test::spinUntil([&] { return item().ink() == QColor(Qt::red); }, 5000))
        << item().ink().name().toStdString();
    const auto place = x.settledTrayIcon(self);
    ASSERT_TRUE(place.has_value());
    bool red = false;
    test::spinUntil(
        [&] {
            const QImage shown =
                QGuiApplication::primaryScreen()
                    ->grabWindow(0, place->x(), place->y(), place->width(), place->height())
                    .toImage();
            for (int y = 0; y < shown.height() && !red; ++y) {
                for (int xx = 0; xx < shown.width() && !red; ++xx) {
                    red = shown.pixelColor(xx, y) == QColor(Qt::red);
                }
            }
            return red;
        },
        5000);
    EXPECT_TRUE(red) << "the docked icon is not drawn in the tray's ink";

    // The panel is back: the XEmbed icon leaves again.
    ASSERT_TRUE(panel.start());
    ASSERT_FALSE(panel.waitForItem(self, 10000).isEmpty());
    EXPECT_TRUE(test::spinUntil([&] { return !x.trayIconOf(self).has_value(); }, 10000));
    EXPECT_TRUE(item().shownInTray());
}

} // namespace
} // namespace tavik
