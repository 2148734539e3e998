// Where the stores go when the environment is odd: an empty HOME is no home, relative XDG
// folders are ignored, and a HOME whose bytes are no text is refused, never rewritten.
#include "platform/folders.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdlib>

#include <pwd.h>
#include <unistd.h>

namespace tavik::platform {
namespace {

// Sets the variables for one test and puts the test program's own back after it.
class Environment {
public:
    void set(const char* name, const QByteArray& value) {
        if (!saved_.contains(name)) {
            saved_.insert(name, qgetenv(name));
        }
        qputenv(name, value);
    }
    ~Environment() {
        for (auto it = saved_.cbegin(); it != saved_.cend(); ++it) {
            qputenv(it.key().constData(), it.value());
        }
    }

private:
    QMap<QByteArray, QByteArray> saved_;
};

TEST(Folders, AnEmptyHomeIsTheAccountsHomeAndRelativeXdgFoldersAreIgnored) {
    const QString account = QFile::decodeName(::getpwuid(::getuid())->pw_dir);
    Environment environment;
    environment.set("HOME", "");
    environment.set("XDG_CONFIG_HOME", "relative/config");
    environment.set("XDG_DATA_HOME", "");
    environment.set("XDG_STATE_HOME", "/absolute/state");
    const Folders folders = Folders::fromEnvironment();
    EXPECT_TRUE(Folders::environmentProblem().isEmpty());
    EXPECT_EQ(folders.home, account);
    EXPECT_EQ(folders.config, account + "/.config/Tavik");
    EXPECT_EQ(folders.data, account + "/.local/share/Tavik");
    EXPECT_EQ(folders.state, "/absolute/state/Tavik");

    environment.set("HOME", "home-relative");
    EXPECT_EQ(Folders::fromEnvironment().home, account);
}

TEST(Folders, AHomeThatIsNoTextIsRefusedAndAValidOneIsKeptByteForByte) {
    Environment environment;
    const QByteArray latin1Home = QDir::homePath().toUtf8() + "/caf\xe9";
    environment.set("HOME", latin1Home);
    environment.set("XDG_CONFIG_HOME", "");
    environment.set("XDG_DATA_HOME", "");
    environment.set("XDG_STATE_HOME", "");
    EXPECT_TRUE(Folders::environmentProblem().startsWith("HOME "));

    const QByteArray utf8Home = QDir::homePath().toUtf8() + "/caf\xc3\xa9";
    environment.set("HOME", utf8Home);
    environment.set("XDG_DATA_HOME", QDir::homePath().toUtf8() + "/data\xff");
    EXPECT_TRUE(Folders::environmentProblem().startsWith("XDG_DATA_HOME "));
    environment.set("XDG_DATA_HOME", "");
    EXPECT_TRUE(Folders::environmentProblem().isEmpty());
    const Folders kept = Folders::fromEnvironment();
    EXPECT_EQ(QFile::encodeName(kept.config), utf8Home + "/.config/Tavik");
}

} // namespace
} // namespace tavik::platform
