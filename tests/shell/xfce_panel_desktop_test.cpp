// Tavik on Debian's own XFCE panel, whose status tray speaks D-Bus: a right click on Tavik's icon
// opens Tavik's menu (not the panel's own), and choosing its last line quits Tavik.
#include "platform/defaults_store.h"
#include "tests/support/controller_app_process.h"
#include "tests/support/fixtures.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include "tests/shell/shell_hosts.h" // last: Xlib's macros would clash with Qt's names

namespace tavik {
namespace {

const QString xfconfd = QStringLiteral("/usr/lib/x86_64-linux-gnu/xfce4/xfconf/xfconfd");

// One small panel at the top left holding only the status tray, so Tavik's icon is its first
// square.
const char* const panelSettings = R"(<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="1"/>
      <property name="length-adjust" type="bool" value="true"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="26"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
)";

// xfconfd (the panel's settings store, reading them from this test's XDG_CONFIG_HOME) and
// xfce4-panel, stopped with the test.
class XfcePanel {
public:
    bool start() {
        // The test's own XDG_CONFIG_HOME, a fresh folder, which xfconfd reads.
        const QString folder =
            qEnvironmentVariable("XDG_CONFIG_HOME") + "/xfce4/xfconf/xfce-perchannel-xml";
        QDir().mkpath(folder);
        QFile settings(folder + "/xfce4-panel.xml");
        if (!settings.open(QIODevice::WriteOnly) || settings.write(panelSettings) < 0) {
            return false;
        }
        settings.close();
        store_.start(xfconfd, {});
        // No window manager here: the panel would wait five seconds for one.
        panel_.start(QStringLiteral("xfce4-panel"), {QStringLiteral("--disable-wm-check")});
        return store_.waitForStarted(5000) && panel_.waitForStarted(5000) &&
               test::spinUntil(
                   [] {
                       return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                           QStringLiteral("org.kde.StatusNotifierWatcher"));
                   },
                   15000);
    }
    ~XfcePanel() {
        for (QProcess* process : {&panel_, &store_}) {
            if (process->state() != QProcess::NotRunning) {
                process->terminate();
                if (!process->waitForFinished(5000)) {
                    process->kill();
                    process->waitForFinished(2000);
                }
            }
        }
    }
    qint64 processId() const { return panel_.processId(); }

private:
    QProcess store_;
    QProcess panel_;
};

TEST(TavikOnTheXfcePanel, RightClickOpensTavikMenuAndItsLastLineQuits) {
    TAVIK_REQUIRE_DESKTOP();
    if (QStandardPaths::findExecutable("xfce4-panel").isEmpty() || !QFileInfo::exists(xfconfd)) {
        GTEST_SKIP() << "xfce4-panel and xfconf are not installed (scripts/setup installs them)";
    }
    platform::DefaultsStore::shared().setBool("hasLaunchedBefore", true);
    XfcePanel panel;
    ASSERT_TRUE(panel.start());
    test::XQuery x;
    ASSERT_TRUE(x.valid());
    std::optional<QRect> bar;
    ASSERT_TRUE(test::spinUntil(
        [&] {
            for (Window window : x.windowsOf(panel.processId())) {
                const QRect area = x.rootGeometry(window);
                if (x.viewable(window) && area.top() == 0 && area.height() >= 20) {
                    bar = area;
                    return true;
                }
            }
            return false;
        },
        10000))
        << "the panel never showed";

    test::TavikProcess tavik;
    ASSERT_TRUE(tavik.start());
    ASSERT_TRUE(tavik.waitForLine("hotkey", 20000)) << tavik.output().toStdString();
    const QPoint icon(bar->left() + bar->height() / 2, bar->top() + bar->height() / 2);
    // Some window other than Tavik's, tall enough for its nine lines: the menu the panel drew.
    const auto menuShown = [&] {
        bool shown = false;
        x.walk(DefaultRootWindow(x.display()), [&](Window window) {
            const QRect area = x.rootGeometry(window);
            shown = shown || (x.viewable(window) && area.height() > 150 && area.width() < 900 &&
                              !x.windowsOf(tavik.processId(), window).contains(window));
        });
        return shown;
    };
    for (int attempt = 0; attempt < 5 && !menuShown(); ++attempt) {
        test::clickAt(icon, 3); // the item may still be on its way to the panel: click again
        test::spinUntil(menuShown, 2000);
    }
    ASSERT_TRUE(menuShown()) << "no menu opened on a right click";
    // Its last line is "Quit Tavik" only if the menu is Tavik's.
    test::pressKeys({"Up", "Return"});
    ASSERT_TRUE(test::spinUntil([&] { return !tavik.running(); }, 15000))
        << "the menu that opened was not Tavik's";
    EXPECT_EQ(tavik.terminate(), 0);
    EXPECT_TRUE(test::logEndsWithACleanExit());
}

} // namespace
} // namespace tavik
