// Every test program starts here: a private HOME and XDG tree, then the Qt application.
#include "app/stores/diagnostic_log.h"
#include "platform/private_files.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    QTemporaryDir home(QDir::tempPath() + "/tavik-test-home-XXXXXX");
    if (!home.isValid()) {
        return 2;
    }
    const QByteArray root = home.path().toUtf8();
    ::setenv("HOME", root.constData(), 1);
    ::setenv("XDG_CONFIG_HOME", (root + "/.config").constData(), 1);
    ::setenv("XDG_DATA_HOME", (root + "/.local/share").constData(), 1);
    ::setenv("XDG_STATE_HOME", (root + "/.local/state").constData(), 1);
    ::setenv("XDG_CACHE_HOME", (root + "/.cache").constData(), 1);
    // Only the desktop programs (run one test at a time) talk to the X server through Qt; the
    // rest draw offscreen so dozens of parallel test processes never crowd the display.
    const bool desktopProgram = std::strstr(argv[0], "_desktop_tests") != nullptr;
    if (qEnvironmentVariableIsEmpty("DISPLAY") || !desktopProgram) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }

    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    tavik::DiagnosticLog::installAsPlatformSink();
    const int result = RUN_ALL_TESTS();
    // Syncs asked for by the last test finish while their files are still there.
    tavik::platform::drainSyncs(std::chrono::seconds(10));
    return result;
}
