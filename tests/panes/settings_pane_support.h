#pragma once

// The settings pane as a user meets it: real settings and archive under the test's own HOME, a
// real controller over scripted parts, and a desktop whose accessibility switch the test holds.
#include "app/panes/settings/permissions_model.h"
#include "app/panes/settings/settings_view.h"
#include "app/stores/preferences.h"
#include "tests/support/controller_harness.h"
#include "tests/support/switchable_accessibility.h"

#include <QAction>
#include <QJsonObject>
#include <QMenu>
#include <QWidget>

#include <memory>

namespace tavik::test {

class SettingsPaneTest : public ::testing::Test {
protected:
    // The models folder under the data folder, with the voice-activity model in place so the
    // controller has a detector whose wait the pane can change.
    void SetUp() override;
    void TearDown() override;

    // Starts the controller and makes the pane, shown in a window of the given size.
    void open(QSize size = QSize(640, 900));
    void closePane();

    QString modelsFolder() const;
    void writeFile(const QString& path, qint64 bytes);
    // defaults.json as it is on disk now.
    QJsonObject storedDefaults();
    // A widget's visible rectangle in the pane's coordinates.
    QRect placeOf(const QWidget* widget) const;

    static void click(QWidget* widget);
    static void clickAt(QWidget* widget, QPoint at);
    // The item of `menu` whose shown text (mnemonics unescaped) is `text`, or null.
    static QAction* item(QMenu* menu, const QString& text);
    static QStringList itemTexts(QMenu* menu);

    Preferences& prefs = Preferences::shared();
    ControllerStage stage;
    SwitchableAccessibility accessibility;
    std::unique_ptr<panes::settings::PermissionsModel> permissions;
    std::unique_ptr<panes::settings::SettingsView> view;
};

} // namespace tavik::test
