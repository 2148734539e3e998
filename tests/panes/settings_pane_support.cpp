#include "tests/panes/settings_pane_support.h"

#include "app/shell/design/buttons.h"
#include "platform/defaults_store.h"
#include "platform/folders.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTest>

namespace tavik::test {

void SettingsPaneTest::SetUp() {
    ASSERT_TRUE(QDir().mkpath(modelsFolder()));
    writeFile(QDir(modelsFolder()).filePath(QStringLiteral("ggml-silero.bin")), 16);
    stage.preferences = &prefs;
}

void SettingsPaneTest::TearDown() {
    closePane();
}

void SettingsPaneTest::open(QSize size) {
    stage.start();
    permissions = std::make_unique<panes::settings::PermissionsModel>(accessibility);
    view = std::make_unique<panes::settings::SettingsView>(prefs, stage.controller(),
                                                           permissions.get());
    view->resize(size);
    view->show();
    QCoreApplication::processEvents();
}

void SettingsPaneTest::closePane() {
    view.reset();
    permissions.reset();
}

QString SettingsPaneTest::modelsFolder() const {
    return platform::joinPath(platform::Folders::fromEnvironment().data, QStringLiteral("models"));
}

void SettingsPaneTest::writeFile(const QString& path, qint64 bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(QByteArray(bytes, '\0')), bytes);
}

QJsonObject SettingsPaneTest::storedDefaults() {
    auto& defaults = platform::DefaultsStore::shared();
    EXPECT_TRUE(defaults.flush());
    QFile file(defaults.path());
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QJsonDocument::fromJson(file.readAll()).object();
}

QRect SettingsPaneTest::placeOf(const QWidget* widget) const {
    return QRect(widget->mapTo(view.get(), QPoint(0, 0)), widget->size());
}

void SettingsPaneTest::click(QWidget* widget) {
    ASSERT_TRUE(widget->isVisible());
    ASSERT_TRUE(widget->isEnabled());
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

void SettingsPaneTest::clickAt(QWidget* widget, QPoint at) {
    QTest::mousePress(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
}

QAction* SettingsPaneTest::item(QMenu* menu, const QString& text) {
    if (menu == nullptr) {
        return nullptr;
    }
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator() && design::shownMnemonicText(action->text()) == text) {
            return action;
        }
    }
    return nullptr;
}

QStringList SettingsPaneTest::itemTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            texts << QStringLiteral("---");
        } else {
            const QString mark = !action->isEnabled()  ? QStringLiteral("# ")
                                 : action->isChecked() ? QStringLiteral("* ")
                                                       : QStringLiteral("- ");
            texts << mark + design::shownMnemonicText(action->text());
        }
    }
    return texts;
}

} // namespace tavik::test
