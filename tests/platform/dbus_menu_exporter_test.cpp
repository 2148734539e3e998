// The tray menu as a D-Bus panel reads it: ids that follow each line across changes, a click on
// a line that just left still counting, panels told of changes sparingly, and titles, states
// and shortcuts in the protocol's own terms.
#include "platform/linux/dbus_menu_exporter.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace tavik::platform {
namespace {

TrayMenuEntry line(const QString& key, const QString& label, bool enabled = true) {
    TrayMenuEntry entry;
    entry.key = key;
    entry.label = label;
    entry.enabled = enabled;
    return entry;
}

TrayMenuEntry separator(const QString& key) {
    TrayMenuEntry entry;
    entry.key = key;
    entry.separator = true;
    return entry;
}

QList<TrayMenuEntry> menuWith(const QStringList& recent, const QString& status = "Ready") {
    QList<TrayMenuEntry> entries{line("status", status, false), separator("sep-1"),
                                 line("recent", "Recent", false)};
    for (const QString& text : recent) {
        entries << line("entry:" + text, text);
    }
    TrayMenuEntry quit = line("quit", "Quit Tavik");
    quit.shortcut = QKeySequence(Qt::CTRL | Qt::Key_Q);
    entries << separator("sep-2") << quit;
    return entries;
}

QHash<QString, int> idsByLabel(const DBusMenuExporter& menu) {
    QHash<QString, int> ids;
    const auto root = menu.layout(0, -1, {});
    for (const dbus::MenuLayoutItem& child : root->children) {
        ids.insert(child.properties.value("label", child.properties.value("type")).toString(),
                   child.id);
    }
    return ids;
}

TEST(DBusMenuExporter, IdsFollowTheirLinesAndPanelsAreToldOnlyWhatChanged) {
    DBusMenuExporter menu;
    QSignalSpy layouts(&menu, &DBusMenuExporter::layoutUpdated);
    QSignalSpy properties(&menu, &DBusMenuExporter::itemsPropertiesUpdated);
    QSignalSpy chosen(&menu, &DBusMenuExporter::entryChosen);

    menu.setEntries(menuWith({"one", "two"}));
    EXPECT_EQ(layouts.size(), 1);
    const uint first = menu.revision();
    const QHash<QString, int> before = idsByLabel(menu);
    ASSERT_EQ(menu.layout(0, -1, {})->children.size(), 7);
    EXPECT_EQ(menu.layout(0, 0, {})->children.size(), 0) << "depth 0: the root alone";

    // The same lines again, as every rebuild on opening gives: no word to the panel.
    menu.setEntries(menuWith({"one", "two"}));
    EXPECT_EQ(layouts.size(), 1);
    EXPECT_EQ(properties.size(), 0);

    // The state changed: one line's label, nothing else.
    menu.setEntries(menuWith({"one", "two"}, "Listening…"));
    EXPECT_EQ(layouts.size(), 1);
    ASSERT_EQ(properties.size(), 1);
    const auto updated = properties[0][0].value<dbus::MenuItemPropertiesList>();
    ASSERT_EQ(updated.size(), 1);
    EXPECT_EQ(updated[0].id, before.value("Ready"));
    EXPECT_EQ(updated[0].properties, QVariantMap({{"label", "Listening…"}}));
    EXPECT_EQ(menu.revision(), first);

    // A new dictation comes first and the oldest leaves: one layout change, and every line
    // that stayed keeps its id.
    menu.setEntries(menuWith({"zero", "one"}, "Listening…"));
    EXPECT_EQ(layouts.size(), 2);
    EXPECT_EQ(menu.revision(), first + 1);
    const QHash<QString, int> after = idsByLabel(menu);
    for (const QString kept : {"Listening…", "Recent", "one", "Quit Tavik"}) {
        EXPECT_EQ(after.value(kept), before.value(kept == QString("Listening…") ? "Ready" : kept))
            << kept.toStdString();
    }
    EXPECT_FALSE(before.values().contains(after.value("zero"))) << "a new line, a new id";

    // A click on the line that just left, from a menu drawn before the change, still counts;
    // a disabled line or a hover chooses nothing.
    EXPECT_TRUE(menu.handleEvent(before.value("two"), "clicked"));
    EXPECT_TRUE(menu.handleEvent(after.value("Recent"), "clicked"));
    EXPECT_TRUE(menu.handleEvent(after.value("one"), "hovered"));
    EXPECT_TRUE(menu.handleEvent(after.value("Quit Tavik"), "clicked"));
    ASSERT_EQ(chosen.size(), 2);
    EXPECT_EQ(chosen[0][0].toString(), "entry:two");
    EXPECT_EQ(chosen[1][0].toString(), "quit");
    EXPECT_FALSE(menu.handleEvent(9999, "clicked"));
    EXPECT_FALSE(menu.layout(9999, -1, {}).has_value());

    // One change later it is gone for good.
    menu.setEntries(menuWith({"minus", "zero"}, "Listening…"));
    EXPECT_FALSE(menu.handleEvent(before.value("two"), "clicked"));
    EXPECT_EQ(chosen.size(), 2);
}

TEST(DBusMenuExporter, TitlesStatesAndShortcutsInTheProtocolsTerms) {
    // A single underscore marks an access key in dbusmenu labels and would vanish.
    EXPECT_EQ(DBusMenuExporter::label("build_config"), "build__config");
    EXPECT_EQ(DBusMenuExporter::label("a_b_c"), "a__b__c");
    EXPECT_EQ(DBusMenuExporter::label("Q&A & R&D"), "Q&A & R&D");
    EXPECT_EQ(DBusMenuExporter::label("__init__"), "____init____");

    TrayMenuEntry entry = line("entry:x", "R&D_notes");
    entry.description = "Editor · via paste · 412ms — click to copy";
    const QVariantMap shown = DBusMenuExporter::propertiesOf(entry);
    EXPECT_EQ(shown.value("label").toString(), "R&D__notes");
    EXPECT_EQ(shown.value("enabled").toBool(), true);
    EXPECT_EQ(shown.value("accessible-desc").toString(), entry.description);
    EXPECT_FALSE(shown.contains("shortcut"));
    EXPECT_EQ(DBusMenuExporter::propertiesOf(line("status", "Ready", false)).value("enabled"),
              false);
    EXPECT_EQ(DBusMenuExporter::propertiesOf(separator("s")).value("type"), "separator");

    EXPECT_EQ(DBusMenuExporter::shortcutParts(QKeySequence(Qt::CTRL | Qt::Key_Q)),
              dbus::ShortcutParts({{"Control", "Q"}}));
    EXPECT_EQ(DBusMenuExporter::shortcutParts(QKeySequence(Qt::CTRL | Qt::Key_Comma)),
              dbus::ShortcutParts({{"Control", "comma"}}));
    EXPECT_EQ(DBusMenuExporter::shortcutParts(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)),
              dbus::ShortcutParts({{"Control", "Shift", "O"}}));

    DBusMenuExporter menu;
    menu.setEntries(menuWith({"a_b_c"}));
    const auto labelsOnly = menu.layout(0, -1, {"label"});
    ASSERT_TRUE(labelsOnly.has_value());
    for (const dbus::MenuLayoutItem& child : labelsOnly->children) {
        EXPECT_LE(child.properties.size(), 1);
    }
    EXPECT_EQ(labelsOnly->children[3].properties.value("label").toString(), "a__b__c");
    EXPECT_EQ(menu.properties(0, {})->value("children-display").toString(), "submenu");
}

} // namespace
} // namespace tavik::platform
