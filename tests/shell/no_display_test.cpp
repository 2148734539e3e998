// Tavik started where no X11 display can be reached: it says so, naming the variable, and ends
// with status 1 instead of aborting.
#include "tests/support/controller_app_process.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace tavik {
namespace {

TEST(NoDisplay, UnsetWrongOrGarbageDisplayEndsWithAnErrorThatNamesIt) {
    const QList<std::pair<QString, QString>> displays = {
        {"unset", QString()},
        {"no server there", ":31999"},
        {"garbage", "\x1b[31mnot a display\x07"},
    };
    for (const auto& [kind, display] : displays) {
        SCOPED_TRACE(kind.toStdString());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.remove("QT_QPA_PLATFORM");
        if (!display.isEmpty()) {
            environment.insert("DISPLAY", display);
        }
        QProcess tavik;
        tavik.setProcessEnvironment(environment);
        tavik.start(test::TavikProcess::program(), {});
        ASSERT_TRUE(tavik.waitForStarted(10000)) << test::TavikProcess::program().toStdString();
        ASSERT_TRUE(tavik.waitForFinished(20000));
        const QString said = QString::fromUtf8(tavik.readAllStandardError());
        EXPECT_EQ(tavik.exitStatus(), QProcess::NormalExit) << said.toStdString();
        EXPECT_EQ(tavik.exitCode(), 1) << said.toStdString();
        EXPECT_TRUE(said.contains("Tavik needs an X11 display")) << said.toStdString();
        EXPECT_TRUE(said.contains("DISPLAY")) << said.toStdString();
        EXPECT_FALSE(said.contains(QChar(0x1b)))
            << "the terminal is not sent the variable's escapes";
    }
}

} // namespace
} // namespace tavik
