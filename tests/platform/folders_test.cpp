// Where the stores go when the environment is odd: an empty HOME is no home, relative XDG
// folders are ignored, and a HOME whose bytes are no text is refused, never rewritten. Each test
// runs in a process of its own, so the variables it sets go with it.
#include "platform/folders.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

namespace tavik::platform {
namespace {

TEST(Folders, AnEmptyHomeIsTheAccountsHomeAndRelativeXdgFoldersAreIgnored) {
    const QString account = QFile::decodeName(::getpwuid(::getuid())->pw_dir);
    qputenv("HOME", "");
    qputenv("XDG_CONFIG_HOME", "relative/config");
    qputenv("XDG_DATA_HOME", "");
    qputenv("XDG_STATE_HOME", "/absolute/state");
    const Folders folders = Folders::fromEnvironment();
    EXPECT_TRUE(Folders::environmentProblem().isEmpty());
    EXPECT_EQ(folders.home, account);
    EXPECT_EQ(folders.config, account + "/.config/Tavik");
    EXPECT_EQ(folders.data, account + "/.local/share/Tavik");
    EXPECT_EQ(folders.state, "/absolute/state/Tavik");
    qputenv("HOME", "home-relative");
    EXPECT_EQ(Folders::fromEnvironment().home, account);
}

TEST(Folders, AHomeThatIsNoTextIsRefusedAndAValidOneIsKeptByteForByte) {
    const QByteArray base = QFile::encodeName(QDir::homePath());
    qputenv("HOME", base + "/caf\xe9");
    qputenv("XDG_CONFIG_HOME", "");
    EXPECT_TRUE(Folders::environmentProblem().startsWith("HOME "));
    qputenv("HOME", base + "/caf\xc3\xa9");
    qputenv("XDG_DATA_HOME", base + "/data\xff");
    EXPECT_TRUE(Folders::environmentProblem().startsWith("XDG_DATA_HOME "));
    qputenv("XDG_DATA_HOME", "");
    EXPECT_TRUE(Folders::environmentProblem().isEmpty());
    EXPECT_EQ(QFile::encodeName(Folders::fromEnvironment().config),
              base + "/caf\xc3\xa9/.config/Tavik");
}

} // namespace
} // namespace tavik::platform
