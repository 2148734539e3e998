// Tavik on a panel that speaks D-Bus (StatusNotifierItem and com.canonical.dbusmenu), as KDE,
// XFCE, Cinnamon and GNOME's AppIndicator extension are: the panel finds the item whether it
// starts before or after Tavik, reads a full menu without opening it, shows every title as
// written, draws the icon by name or from its pixmaps, and its clicks reach Tavik.
#include "app/shell/tray_icons.h"
#include "platform/defaults_store.h"
#include "tests/support/controller_app_process.h"
#include "tests/support/fixtures.h"
#include "tests/support/recognition_fixtures.h"
#include "tests/support/status_notifier_host.h"
#include "tools/history-seed/history_seed.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include "tests/shell/shell_hosts.h" // last: Xlib's macros would clash with Qt's names

namespace tavik {
namespace {

const QString longText = "Remind me to send the quarterly numbers to Dana before the review, "
                         "and copy the whole of this, not only the first fifty-two characters.";

class TrayOverDBus : public ::testing::Test {
protected:
    void SetUp() override {
        TAVIK_REQUIRE_DESKTOP();
        platform::DefaultsStore::shared().setBool("hasLaunchedBefore", true);
        const QDateTime now = QDateTime::currentDateTime();
        ASSERT_TRUE(seed::writeHistoryFile({
            seed::dictation("build_config", now),
            seed::dictation("a_b_c", now.addSecs(-60)),
            seed::dictation("Q&A & R&D", now.addSecs(-120)),
            seed::dictation("before\tafter", now.addSecs(-180)),
            seed::dictation(longText, now.addSecs(-240)),
        }));
    }

    // The item of the running Tavik, once the panel has it.
    QString itemOfTavik(int timeoutMs = 15000) {
        const QString item = host.waitForItem(tavik.processId(), timeoutMs);
        EXPECT_FALSE(item.isEmpty()) << tavik.output().toStdString();
        return item;
    }

    test::StatusNotifierHost host;
    test::TavikProcess tavik;
};

TEST_F(TrayOverDBus, MenuIsFullBeforeItOpensTitlesReadAsWrittenAndTheIconIsNamedAndDrawn) {
    // A model to load, so that Tavik, its menu and its icon come to rest.
    test::installModelsHearing(QStringLiteral("hello"));
    ASSERT_TRUE(host.start());
    ASSERT_TRUE(tavik.start());
    const QString item = itemOfTavik();
    ASSERT_FALSE(item.isEmpty());
    ASSERT_TRUE(tavik.waitForLine(QStringLiteral("model ready"), 60000))
        << tavik.output().toStdString();
    ASSERT_TRUE(test::spinUntil(
        [&] { return host.itemProperties(item).value("IconName").toString().contains("-idle-"); },
        5000));

    // Read as a panel does before a person ever opens it: no AboutToShow has been sent.
    uint revision = 0;
    const auto menu = host.menu(item, &revision);
    ASSERT_TRUE(menu.has_value());
    QStringList labels;
    for (const test::MenuNode& child : menu->children) {
        labels << (child.type() == "separator" ? QStringLiteral("---") : child.shownLabel());
    }
    // The status line, a separator and "Recent"; five titles; a separator and five commands.
    ASSERT_GE(labels.size(), 3 + 5 + 1 + 5) << labels.join(" | ").toStdString();
    EXPECT_EQ(labels.mid(labels.indexOf("Recent") + 1, 5),
              QStringList(
                  {"build_config", "a_b_c", "Q&A & R&D", "before after", longText.left(52) + "…"}))
        << labels.join(" | ").toStdString();
    EXPECT_EQ(labels.mid(labels.size() - 5),
              QStringList({"Open Tavik", "Insights", "Dictionary", "Settings…", "Quit Tavik"}));
    EXPECT_FALSE(menu->children.first().enabled()) << "the status line is no command";

    // Opening it changes nothing: the panel is not told to read the layout again.
    const int layoutsBefore = host.layoutUpdates();
    EXPECT_EQ(host.aboutToShow(item, 0), std::optional<bool>(false));
    uint again = 0;
    const auto reread = host.menu(item, &again); // replies come after any signal sent before
    ASSERT_TRUE(reread.has_value());
    EXPECT_EQ(host.layoutUpdates(), layoutsBefore);
    EXPECT_EQ(again, revision);
    ASSERT_EQ(reread->children.size(), menu->children.size());
    for (int i = 0; i < menu->children.size(); ++i) {
        EXPECT_EQ(reread->children[i].id, menu->children[i].id) << i;
    }

    // The icon: a themed name the panel recolours, found where the item says, and pixmaps in
    // every panel size, in an ink that reads on a white panel and on a black one.
    const QVariantMap properties = host.itemProperties(item);
    const QString name = properties.value("IconName").toString();
    EXPECT_TRUE(name.startsWith("com.trelvanic.tavik-") && name.endsWith("-symbolic"))
        << name.toStdString();
    const QString themePath = properties.value("IconThemePath").toString();
    EXPECT_TRUE(QFileInfo::exists(themePath + "/hicolor/scalable/status/" + name + ".svg"))
        << themePath.toStdString() << " " << name.toStdString();
    EXPECT_EQ(properties.value("Id").toString(), "com.trelvanic.tavik");
    EXPECT_EQ(properties.value("Title").toString(), "Tavik");
    EXPECT_EQ(properties.value("Status").toString(), "Active");
    QList<int> sizes;
    for (const QImage& image : test::StatusNotifierHost::pixmaps(properties.value("IconPixmap"))) {
        ASSERT_FALSE(image.isNull());
        sizes << image.width();
        EXPECT_EQ(image.width(), image.height());
        int inked = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() == 255) {
                    ++inked;
                    EXPECT_GE(tray_icons::contrast(pixel, Qt::white), 3.0)
                        << pixel.name().toStdString();
                    EXPECT_GE(tray_icons::contrast(pixel, Qt::black), 3.0)
                        << pixel.name().toStdString();
                }
            }
        }
        EXPECT_GT(inked, image.width()) << image.width();
    }
    EXPECT_EQ(sizes, QList<int>({16, 22, 24, 32, 48}));
}

TEST_F(TrayOverDBus, APanelStartingAfterTavikGetsTheItemAndAgainAfterItRestarts) {
    ASSERT_TRUE(tavik.start());
    ASSERT_TRUE(tavik.waitForLine("hotkey", 20000)) << tavik.output().toStdString();
    // Login races: Tavik starts from autostart, the panel three seconds later.
    test::spinUntil([] { return false; }, 3000);
    ASSERT_TRUE(host.start());
    const QString item = itemOfTavik(5000);
    ASSERT_FALSE(item.isEmpty());
    ASSERT_TRUE(host.menu(item).has_value());

    host.stop();
    ASSERT_TRUE(host.start());
    const QString back = itemOfTavik(5000);
    EXPECT_EQ(back, item);
    const auto menu = host.menu(back);
    ASSERT_TRUE(menu.has_value());
    EXPECT_NE(menu->find("Quit Tavik"), nullptr);
}

TEST_F(TrayOverDBus, ClicksOpenTheWindowCopyADictationWholeAndQuit) {
    ASSERT_TRUE(host.start());
    ASSERT_TRUE(tavik.start());
    const QString item = itemOfTavik();
    ASSERT_FALSE(item.isEmpty());
    const auto menu = host.menu(item);
    ASSERT_TRUE(menu.has_value());
    test::XQuery x;
    ASSERT_TRUE(x.valid());

    const test::MenuNode* open = menu->find("Open Tavik");
    ASSERT_NE(open, nullptr);
    EXPECT_TRUE(host.menuEvent(item, open->id));
    EXPECT_TRUE(test::spinUntil(
        [&] {
            for (Window window : x.windowsOf(tavik.processId())) {
                if (x.name(window) == "Tavik" && x.viewable(window) &&
                    x.rootGeometry(window).width() >= 900) {
                    return true;
                }
            }
            return false;
        },
        10000))
        << "the main window did not open";

    const test::MenuNode* entry = menu->find(longText.left(52) + "…");
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(host.menuEvent(item, entry->id));
    EXPECT_TRUE(
        test::spinUntil([&] { return QGuiApplication::clipboard()->text() == longText; }, 5000))
        << QGuiApplication::clipboard()->text().toStdString();

    const test::MenuNode* quit = menu->find("Quit Tavik");
    ASSERT_NE(quit, nullptr);
    host.menuEvent(item, quit->id, "clicked", 2000); // the process may end before it answers
    ASSERT_TRUE(test::spinUntil([&] { return !tavik.running(); }, 15000))
        << "Quit Tavik did not end the process";
    EXPECT_EQ(tavik.terminate(), 0);
    EXPECT_TRUE(test::logEndsWithACleanExit());
}

} // namespace
} // namespace tavik
