// A home whose name is no UTF-8 text: Tavik says so and stops, and makes no folder beside it
// under a name it misread.
#include "tests/support/controller_app_process.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <dirent.h>

namespace tavik::test {
namespace {

TEST(StartHome, AHomeThatIsNoUtf8TextStopsTheStartWithItsReasonAndMakesNothingBesideIt) {
    ASSERT_TRUE(QFile::exists(TavikProcess::program())) << "build the tavik program first";
    const QString parent = QDir::homePath() + "/homes";
    QProcessEnvironment environment;
    environment.insert("PARENT", parent);
    environment.insert("PATH", "/usr/bin:/bin");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess tavik;
    tavik.setProcessEnvironment(environment);
    tavik.setProcessChannelMode(QProcess::MergedChannels);
    // printf makes the Latin-1 byte (as an old account may have it) that no QString carries.
    tavik.start("/bin/sh",
                {"-c",
                 R"sh(mkdir -p "$PARENT" && HOME="$(printf '%s/caf\351' "$PARENT")" && )sh"
                 R"sh(mkdir "$HOME" && export HOME && exec "$0")sh",
                 TavikProcess::program()});
    const bool ended = tavik.waitForFinished(60'000);
    if (!ended) {
        tavik.kill();
        tavik.waitForFinished();
    }
    const QString output = QString::fromUtf8(tavik.readAll());
    ASSERT_TRUE(ended) << "it did not end: " << output.toStdString();
    EXPECT_EQ(tavik.exitCode(), 1) << output.toStdString();
    EXPECT_TRUE(output.contains("tavik: HOME is not a path Tavik can use")) << output.toStdString();
    // Counted by the system's own listing: Qt leaves out names that are no text.
    int entries = 0;
    if (DIR* folder = ::opendir(QFile::encodeName(parent).constData())) {
        while (const dirent* entry = ::readdir(folder)) {
            entries += entry->d_name[0] != '.' ? 1 : 0;
        }
        ::closedir(folder);
    }
    EXPECT_EQ(entries, 1) << "only the home itself";
}

} // namespace
} // namespace tavik::test
