// Backend loading happens once per process, so every case runs in a child process of its own.
#include "app/dictation/ggml_backends.h"
#include "app/dictation/transcriber.h"
#include "app/dictation/voice_activity_detector.h"

#include "tests/support/fixtures.h"
#include "tests/support/recognition_fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ggml-backend.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace tavik {
namespace {

// The child leaves through _exit: its private home would otherwise outlive it, and static
// destructors of a half-used ggml have no business running there.
[[noreturn]] void leaveChild(bool ok) {
    QDir(qEnvironmentVariable("HOME")).removeRecursively();
    ::_exit(ok ? 0 : 1);
}

QString builtBackends() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../lib/tavik/ggml-backends");
}

class BackendLoading : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        ASSERT_TRUE(QDir(builtBackends()).exists())
            << "the build copies the backend modules to " << builtBackends().toStdString();
    }
    QString tinyModel() { return test::generateTestModel(folder_.path(), "ggml-tiny.bin"); }
    QTemporaryDir folder_;
};

TEST_F(BackendLoading, EnvironmentFolderIsUsed) {
    EXPECT_EXIT(
        {
            const QString model = tinyModel();
            ::setenv("GGML_BACKEND_DIR", builtBackends().toUtf8().constData(), 1);
            GGMLBackends::ensureLoaded();
            const bool ok = GGMLBackends::cpuAvailable() && ggml_backend_dev_count() >= 1 &&
                            Transcriber::create(model) != nullptr;
            leaveChild(ok);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(BackendLoading, EmptyEnvironmentValueLoadsNothingAndCreationFailsCleanly) {
    TAVIK_REQUIRE_FIXTURE(silero, "models/ggml-silero-v6.2.0.bin");
    EXPECT_EXIT(
        {
            const QString model = tinyModel();
            ::setenv("GGML_BACKEND_DIR", "", 1);
            GGMLBackends::ensureLoaded();
            const bool ok = !model.isEmpty() && !GGMLBackends::cpuAvailable() &&
                            Transcriber::create(model) == nullptr &&
                            VoiceActivityDetector::create(silero) == nullptr;
            leaveChild(ok);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(BackendLoading, FolderWithoutModulesLoadsNothing) {
    EXPECT_EXIT(
        {
            const QString model = tinyModel();
            QTemporaryDir empty;
            ::setenv("GGML_BACKEND_DIR", empty.path().toUtf8().constData(), 1);
            const bool ok = !model.isEmpty() && Transcriber::create(model) == nullptr &&
                            !GGMLBackends::cpuAvailable();
            leaveChild(ok);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(BackendLoading, WithoutTheVariableTheApplicationsOwnFolderIsUsed) {
    EXPECT_EXIT(
        {
            ::unsetenv("GGML_BACKEND_DIR");
            const bool found = GGMLBackends::bundledFolder() == builtBackends();
            GGMLBackends::ensureLoaded();
            leaveChild(found && GGMLBackends::cpuAvailable());
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(BackendLoading, ConcurrentCallersAllReturnAfterTheLoad) {
    EXPECT_EXIT(
        {
            ::unsetenv("GGML_BACKEND_DIR");
            // A caller that did not wait for the one doing the loading would come back before
            // the CPU backend is registered.
            std::atomic<int> sawCpu{0};
            std::vector<std::thread> callers;
            for (int i = 0; i < 8; ++i) {
                callers.emplace_back([&] {
                    GGMLBackends::ensureLoaded();
                    if (GGMLBackends::cpuAvailable()) {
                        ++sawCpu;
                    }
                });
            }
            for (auto& caller : callers) {
                caller.join();
            }
            leaveChild(sawCpu.load() == 8 && ggml_backend_dev_count() == 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(BackendLoading, AFailedLoadIsNotRetried) {
    EXPECT_EXIT(
        {
            ::setenv("GGML_BACKEND_DIR", "", 1);
            GGMLBackends::ensureLoaded();
            ::setenv("GGML_BACKEND_DIR", builtBackends().toUtf8().constData(), 1);
            GGMLBackends::ensureLoaded();
            leaveChild(!GGMLBackends::cpuAvailable());
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace tavik
