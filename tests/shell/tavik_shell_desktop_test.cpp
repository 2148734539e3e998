// Tavik itself on a desktop with a window manager and a tray host: its icon docks in the tray,
// a second start shows the first one's window and leaves, and "Quit Tavik" ends it cleanly.
#include "app/stores/diagnostic_log.h"
#include "platform/defaults_store.h"
#include "tests/support/controller_app_process.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include "tests/shell/shell_hosts.h" // last: Xlib's macros would clash with Qt's names

namespace tavik {
namespace {

QStringList logLines() {
    QFile file(DiagnosticLog::url());
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

TEST(TavikOnTheDesktop, TrayIconDocksSecondStartShowsTheWindowAndQuitEndsCleanly) {
    TAVIK_REQUIRE_DESKTOP();
    test::ShellHosts hosts;
    ASSERT_TRUE(hosts.start()) << hosts.output().toStdString();
    test::XQuery x;
    ASSERT_TRUE(x.valid());
    // Not the first launch: no window opens by itself, so the one we see came from the second
    // start.
    platform::DefaultsStore::shared().setBool("hasLaunchedBefore", true);

    test::TavikProcess tavik;
    ASSERT_TRUE(tavik.start());
    ASSERT_TRUE(tavik.waitForLine("hotkey", 20000)) << tavik.output().toStdString();
    const qint64 tavikPid = tavik.processId();
    std::optional<Window> icon;
    ASSERT_TRUE(test::spinUntil([&] { return (icon = x.trayIconOf(tavikPid)).has_value(); }, 10000))
        << "the tray icon never docked in the tray host";

    const auto visibleMainWindow = [&]() -> std::optional<Window> {
        for (Window window : x.windowsOf(tavikPid)) {
            if (x.name(window) == "Tavik" && x.viewable(window) &&
                x.rootGeometry(window).width() >= 900) {
                return window;
            }
        }
        return std::nullopt;
    };
    EXPECT_FALSE(visibleMainWindow());

    QProcess second;
    second.setProcessChannelMode(QProcess::MergedChannels);
    second.start(test::TavikProcess::program(), {});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAll().toStdString();
    EXPECT_TRUE(test::spinUntil([&] { return visibleMainWindow().has_value(); }, 10000))
        << "the running Tavik did not show its window";
    EXPECT_TRUE(tavik.running());
    // The window carries Tavik's icon and names its desktop entry for taskbars and docks.
    if (const auto main = visibleMainWindow()) {
        EXPECT_GT(x.propertyLength(*main, "_NET_WM_ICON"), 16 * 16);
        EXPECT_EQ(x.text(*main, "_GTK_APPLICATION_ID"), "com.trelvanic.tavik");
        EXPECT_EQ(x.text(*main, "WM_CLASS"), QStringLiteral("tavik") + QChar(0) + "Tavik");
    }

    // The tray menu, opened by a left click, ends Tavik with its last item.
    const auto iconArea = x.settledTrayIcon(tavikPid);
    ASSERT_TRUE(iconArea.has_value());
    // The menu is Tavik's one tall, narrow window on show (the main window is 1000 wide).
    const auto menuOpen = [&] {
        for (Window window : x.windowsOf(tavikPid)) {
            const QRect area = x.rootGeometry(window);
            if (x.viewable(window) && area.height() > 150 && area.width() < 900) {
                return true;
            }
        }
        return false;
    };
    for (int attempt = 0; attempt < 3 && !menuOpen(); ++attempt) {
        test::clickAt(iconArea->center());
        test::spinUntil(menuOpen, 1500);
    }
    ASSERT_TRUE(menuOpen()) << "the tray menu did not open";
    test::pressKeys({"Up", "Return"});
    ASSERT_TRUE(test::spinUntil([&] { return !tavik.running(); }, 15000))
        << "Quit Tavik did not end the process";
    EXPECT_EQ(tavik.terminate(), 0);
    const QStringList lines = logLines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines.last(), "[tavik] exited cleanly");
    EXPECT_TRUE(lines[lines.size() - 2].endsWith("] quitting"));
}

} // namespace
} // namespace tavik
