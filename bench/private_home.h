#pragma once

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>

namespace tavik::bench {

// A HOME and XDG tree of the benchmark's own, made before the application exists, so the stores it
// opens never read or write the user's settings and history. Windows draw offscreen unless the
// caller's environment names another platform.
class PrivateHome {
public:
    PrivateHome() : dir_(QDir::tempPath() + "/tavik-bench-home-XXXXXX") {
        const QByteArray root = dir_.path().toUtf8();
        ::setenv("HOME", root.constData(), 1);
        ::setenv("XDG_CONFIG_HOME", (root + "/.config").constData(), 1);
        ::setenv("XDG_DATA_HOME", (root + "/.local/share").constData(), 1);
        ::setenv("XDG_STATE_HOME", (root + "/.local/state").constData(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }

private:
    QTemporaryDir dir_;
};

} // namespace tavik::bench
