// The delegate on a desktop with a window manager and a tray host, driven by pointer clicks:
// the tray menu's items open the main window on their section, a recent dictation is copied,
// and the main window keeps its size, its taskbar entry and its place as Tavik's own window.
#include "app/insertion/frontmost_tracker.h"
#include "app/insertion/mechanisms.h"
#include "app/panes/pane_factory.h"
#include "app/shell/app_delegate.h"
#include "app/shell/main_window.h"
#include "app/shell/status_item.h"
#include "app/stores/history.h"
#include "app/stores/preferences.h"
#include "platform/defaults_store.h"
#include "platform/frontmost.h"
#include "platform/window_hints.h"
#include "tests/support/controller_harness.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include "tests/shell/shell_hosts.h" // last: Xlib's macros would clash with Qt's names

namespace tavik {
namespace {

using Section = AppState::Section;
using platform::WindowState;
namespace hints = platform::window_hints;

class DelegateOnTheDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::desktopSessionRunning()) {
            GTEST_SKIP() << "needs the test desktop session (run through scripts/test)";
        }
        ASSERT_TRUE(hosts.start()) << hosts.output().toStdString();
        platform::DefaultsStore::shared().setBool("hasLaunchedBefore", true);
        stage.start();
        AppDelegate::Options options;
        options.makePane = panes::makePane;
        options.exit = [](int) {
        };
        delegate = std::make_unique<AppDelegate>(stage.controller(), std::move(options));
        delegate->launch();
        test::XQuery x;
        ASSERT_TRUE(test::spinUntil(
            [&] { return x.trayIconOf(QCoreApplication::applicationPid()).has_value(); }, 10000))
            << "the icon never docked";
    }

    QMenu& menu() { return delegate->statusItem()->menu(); }
    QWidget* window() {
        return delegate->mainWindowIfMade() ? delegate->mainWindowIfMade()->window() : nullptr;
    }

    // Opens the tray menu with a click, as a person would, and chooses the item `text`.
    void choose(const QString& text, int button) {
        // Where the tray host docked the icon, as the X server says (Qt's own answer for an
        // embedded icon is not its place on the screen).
        test::XQuery x;
        const auto icon = x.settledTrayIcon(QCoreApplication::applicationPid());
        ASSERT_TRUE(icon.has_value());
        // A click the host swallowed while busy is clicked again, as a person would.
        for (int attempt = 0; attempt < 3 && !menu().isVisible(); ++attempt) {
            test::clickAt(icon->center(), button);
            test::spinUntil([&] { return menu().isVisible(); }, 1500);
        }
        ASSERT_TRUE(menu().isVisible()) << "the menu did not open on button " << button;
        QAction* chosen = nullptr;
        for (QAction* action : menu().actions()) {
            if (action->text() == text) {
                chosen = action;
            }
        }
        ASSERT_NE(chosen, nullptr) << text.toStdString();
        test::clickAt(menu().mapToGlobal(menu().actionGeometry(chosen).center()));
        ASSERT_TRUE(test::spinUntil([&] { return !menu().isVisible(); }, 5000));
    }

    test::ShellHosts hosts;
    test::ControllerStage stage;
    std::unique_ptr<AppDelegate> delegate;
};

// The menu's window is made once: closing the menu (Escape, a chosen item) hides it, and the
// next opening only maps it again, still answering keys and clicks.
TEST_F(DelegateOnTheDesktop, TrayMenuKeepsItsWindowAcrossOpenings) {
    const WId made = menu().winId();
    QWindow* handle = menu().windowHandle();
    test::XQuery x;
    const auto icon = x.settledTrayIcon(QCoreApplication::applicationPid());
    ASSERT_TRUE(icon.has_value());
    for (int attempt = 0; attempt < 3 && !menu().isVisible(); ++attempt) {
        test::clickAt(icon->center());
        test::spinUntil([&] { return menu().isVisible(); }, 1500);
    }
    ASSERT_TRUE(menu().isVisible());
    test::pressKeys({"Escape"});
    ASSERT_TRUE(test::spinUntil([&] { return !menu().isVisible(); }, 5000));
    EXPECT_TRUE(menu().testAttribute(Qt::WA_WState_Created));
    EXPECT_EQ(menu().windowHandle(), handle);
    EXPECT_EQ(menu().winId(), made);

    choose("Insights", 1);
    ASSERT_NE(window(), nullptr);
    EXPECT_EQ(delegate->mainWindowIfMade()->state().section(), Section::insights);
    EXPECT_EQ(menu().winId(), made);
    choose("Dictionary", 3);
    EXPECT_EQ(delegate->mainWindowIfMade()->state().section(), Section::dictionary);
    EXPECT_EQ(menu().windowHandle(), handle);
    EXPECT_EQ(menu().winId(), made);
}

TEST_F(DelegateOnTheDesktop, TrayMenuItemsOpenTheWindowOnTheirSection) {
    choose("Insights", 1); // a left click opens the same menu
    ASSERT_NE(window(), nullptr);
    ASSERT_TRUE(test::spinUntil([&] { return window()->isActiveWindow(); }, 5000));
    EXPECT_EQ(delegate->mainWindowIfMade()->state().section(), Section::insights);
    // Tavik's own window in front is Tavik itself to the insertion side.
    ASSERT_TRUE(test::spinUntil(
        [] { return frontmostApp().bundleId == QLatin1String(platform::ownBundleId); }, 5000));

    window()->close();
    choose("Settings…", 3);
    ASSERT_TRUE(test::spinUntil([&] { return window()->isVisible(); }, 5000));
    EXPECT_EQ(delegate->mainWindowIfMade()->state().section(), Section::settings);
    choose("Dictionary", 1);
    EXPECT_EQ(delegate->mainWindowIfMade()->state().section(), Section::dictionary);
    choose("Open Tavik", 1);
    EXPECT_EQ(delegate->mainWindowIfMade()->state().section(), Section::dictation);
}

TEST_F(DelegateOnTheDesktop, ARecentDictationIsCopiedWhole) {
    HistoryEntry entry;
    entry.id = QUuid::createUuid();
    entry.text = QString(60, QChar('x')) + " & the rest\twith a tab";
    entry.app = "Editor";
    entry.via = "paste";
    entry.at = QDateTime::currentDateTimeUtc();
    History::shared().add(entry);
    choose(QString(52, QChar('x')) + "…", 1);
    EXPECT_TRUE(
        test::spinUntil([&] { return QGuiApplication::clipboard()->text() == entry.text; }, 5000))
        << QGuiApplication::clipboard()->text().toStdString();
}

TEST_F(DelegateOnTheDesktop, MainWindowSizeTaskbarEntryAndKeptFrame) {
    delegate->openMain();
    QWidget* shown = window();
    ASSERT_TRUE(test::spinUntil([&] { return shown->isActiveWindow(); }, 5000));
    EXPECT_EQ(shown->size(), QSize(1000, 660));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(std::abs(shown->geometry().center().x() - area.center().x()), 2);

    // showInDock is off: no taskbar or pager entry; turning it on gives the window one.
    QWindow* handle = shown->windowHandle();
    EXPECT_TRUE(hints::has(handle, WindowState::skipTaskbar));
    EXPECT_TRUE(hints::has(handle, WindowState::skipPager));
    Preferences::shared().setShowInDock(true);
    EXPECT_TRUE(
        test::spinUntil([&] { return !hints::has(handle, WindowState::skipTaskbar); }, 5000));
    Preferences::shared().setShowInDock(false);
    EXPECT_TRUE(
        test::spinUntil([&] { return hints::has(handle, WindowState::skipTaskbar); }, 5000));

    // It cannot be made smaller than 900 × 580; a new size is kept for the next launch.
    shown->resize(600, 400);
    test::spinUntil([] { return false; }, 300);
    EXPECT_GE(shown->width(), 900);
    EXPECT_GE(shown->height(), 580);
    shown->resize(1100, 700);
    ASSERT_TRUE(test::spinUntil(
        [] {
            const auto kept = platform::DefaultsStore::shared().string("TavikMain");
            return kept && kept->endsWith(" 1100 700");
        },
        3000));
    MainWindowController nextLaunch(stage.controller(), panes::makePane, platform::Clock::system());
    nextLaunch.show(std::nullopt);
    EXPECT_EQ(nextLaunch.window()->size(), QSize(1100, 700));
}

} // namespace
} // namespace tavik
