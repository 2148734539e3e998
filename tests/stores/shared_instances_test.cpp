#include "app/stores/audio_store.h"
#include "app/stores/preferences.h"
#include "app/stores/scratchpad.h"
#include "platform/defaults_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>

#include <gtest/gtest.h>

#include <thread>

namespace tavik {
namespace {

QString environmentFolder(const char* variable) {
    return qEnvironmentVariable(variable) + "/Tavik";
}

TEST(SharedInstances, LiveInTheUsersXdgFolders) {
    EXPECT_EQ(platform::DefaultsStore::shared().path(),
              environmentFolder("XDG_CONFIG_HOME") + "/defaults.json");
    EXPECT_EQ(AudioStore::shared().directory(), environmentFolder("XDG_DATA_HOME") + "/audio");
    EXPECT_EQ(Scratchpad::shared().url(), environmentFolder("XDG_DATA_HOME") + "/scratchpad.txt");
}

TEST(SharedInstances, BelongToTheMainThreadWhoeverTouchesThemFirst) {
    Preferences* preferences = nullptr;
    Scratchpad* scratchpad = nullptr;
    std::thread worker([&] {
        preferences = &Preferences::shared();
        scratchpad = &Scratchpad::shared();
    });
    worker.join();
    EXPECT_EQ(preferences, &Preferences::shared());
    EXPECT_EQ(preferences->thread(), QCoreApplication::instance()->thread());
    EXPECT_EQ(scratchpad->thread(), QCoreApplication::instance()->thread());
}

} // namespace
} // namespace tavik
