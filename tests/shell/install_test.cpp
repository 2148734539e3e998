// What `cmake --install` lays out for a desktop: the program, its resources, a desktop entry
// that launchers list, and the icon in every size the entry's name points at.
#include "app/shell/tray_icons.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavik {
namespace {

TEST(InstallLayout, ProgramDesktopEntryAndIconsLandWhereTheDesktopLooks) {
    QTemporaryDir prefix;
    const QString build = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/..");
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start("cmake", {"--install", build, "--prefix", prefix.path()});
    ASSERT_TRUE(install.waitForFinished(120000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAll().toStdString();
    const QDir root(prefix.path());

    EXPECT_TRUE(QFileInfo(root.filePath("bin/tavik")).isExecutable());
    EXPECT_TRUE(QFileInfo::exists(root.filePath("share/tavik/sounds/Pop.wav")));
    EXPECT_FALSE(QImage(root.filePath("share/tavik/menubarTemplate.png")).isNull());

    const QString entryPath = root.filePath("share/applications/com.trelvanic.tavik.desktop");
    ASSERT_TRUE(QFileInfo::exists(entryPath));
    QSettings entry(entryPath, QSettings::IniFormat);
    entry.beginGroup("Desktop Entry");
    EXPECT_EQ(entry.value("Type").toString(), "Application");
    EXPECT_EQ(entry.value("Name").toString(), "Tavik");
    EXPECT_EQ(entry.value("Exec").toString(), "tavik");
    EXPECT_EQ(entry.value("Icon").toString(), "com.trelvanic.tavik");

    for (int size : tray_icons::applicationIconSizes) {
        const QImage icon(root.filePath(
            QStringLiteral("share/icons/hicolor/%1x%1/apps/com.trelvanic.tavik.png").arg(size)));
        EXPECT_EQ(icon.size(), QSize(size, size)) << size;
    }
    QFile svg(root.filePath("share/icons/hicolor/scalable/apps/com.trelvanic.tavik.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(svg.readAll().startsWith("<svg"));

    // The tray's symbolic icons, where every icon theme looks, and beside the program's own
    // resources for panels that are given that folder.
    for (const auto& state :
         {dictation::State::idle(), dictation::State::loading(), dictation::State::recording(),
          dictation::State::transcribing(), dictation::State::failed("x")}) {
        const QString name = tray_icons::themedName(state) + ".svg";
        EXPECT_TRUE(QFileInfo::exists(root.filePath("share/icons/hicolor/scalable/status/" + name)))
            << name.toStdString();
        EXPECT_TRUE(
            QFileInfo::exists(root.filePath("share/tavik/icons/hicolor/scalable/status/" + name)))
            << name.toStdString();
    }
    for (int size : tray_icons::pixmapSizes) {
        EXPECT_EQ(
            QImage(root.filePath(QStringLiteral("share/tavik/menubarTemplate-%1.png").arg(size)))
                .size(),
            QSize(size, size));
    }
}

} // namespace
} // namespace tavik
