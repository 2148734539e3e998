// Backend loading happens once per process, so every case runs in a child process of its own.
#include "app/dictation/ggml_backends.h"
#include "app/dictation/transcriber.h"
#include "app/dictation/voice_activity_detector.h"

#include "tests/support/audio_log.h"
#include "tests/support/fixtures.h"
#include "tests/support/recognition_fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ggml-backend.h>

#include <atomic>
#include <cstdio>
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

const char* kPhrase = "hello from the backends";

// The backend modules this process has mapped, as paths (libggml-base is not a module).
QStringList mappedModules() {
    QFile maps("/proc/self/maps");
    if (!maps.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList modules;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const qsizetype slash = line.indexOf('/');
        if (slash < 0) {
            continue;
        }
        const QString path = QString::fromUtf8(line.mid(slash));
        const QString name = path.section('/', -1);
        if (name.startsWith("libggml-") && name != "libggml-base.so" &&
            !name.startsWith("libggml-base.so.") && !modules.contains(path)) {
            modules << path;
        }
    }
    return modules;
}

QString softwareVulkanDriver() {
    const QDir drivers("/usr/share/vulkan/icd.d");
    const QStringList found = drivers.entryList({"lvp_icd.*.json"}, QDir::Files);
    return found.isEmpty() ? QString() : drivers.filePath(found.first());
}

QString builtBackends() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../lib/tavik/ggml-backends");
}

// scripts/whisper-cache fails when a build makes no Vulkan module, so only a cache from before
// the module existed lacks it.
#define TAVIK_REQUIRE_VULKAN_MODULE()                                                              \
    if (!QFile::exists(builtBackends() + "/libggml-vulkan.so"))                                    \
    GTEST_SKIP() << "this build's whisper.cpp has no Vulkan module; scripts/setup rebuilds it "    \
                    "once"

class BackendLoading : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        ASSERT_TRUE(QDir(builtBackends()).exists())
            << "the build copies the backend modules to " << builtBackends().toStdString();
    }
    QString tinyModel() { return test::generateTestModel(folder_.path(), "ggml-tiny.bin"); }
    QString scriptedModel() {
        return test::generateTestModel(folder_.path(), "ggml-scripted.bin", {"--phrase", kPhrase});
    }
    // Copies the build's modules matching `patterns` into `folder`; their names.
    QStringList copyModules(const QString& folder, const QStringList& patterns) {
        QDir().mkpath(folder);
        const QDir built(builtBackends());
        QStringList copied;
        for (const QString& name : built.entryList(patterns, QDir::Files)) {
            if (QFile::copy(built.filePath(name), folder + "/" + name)) {
                copied << name;
            }
        }
        return copied;
    }
    QTemporaryDir folder_;
};

// Every module comes from the folder the variable names, not from the build's own copies.
TEST_F(BackendLoading, EnvironmentFolderElsewhereProvidesEveryModule) {
    TAVIK_REQUIRE_VULKAN_MODULE();
    EXPECT_EXIT(
        {
            const QString model = tinyModel();
            const QString elsewhere = folder_.filePath("another place/modules");
            const QStringList modules = copyModules(elsewhere, {"libggml-*.so"});
            ::setenv("GGML_BACKEND_DIR", elsewhere.toUtf8().constData(), 1);
            GGMLBackends::ensureLoaded();
            const QStringList mapped = mappedModules();
            const bool ok = modules.contains("libggml-vulkan.so") &&
                            ggml_backend_reg_by_name("Vulkan") != nullptr &&
                            GGMLBackends::cpuAvailable() && Transcriber::create(model) != nullptr &&
                            mapped.size() == 2 && mapped.filter(elsewhere).size() == 2 &&
                            mapped.filter("/libggml-vulkan.so").size() == 1;
            if (!ok) {
                std::fprintf(stderr, "copied: %s\nmapped: %s\n", qPrintable(modules.join(' ')),
                             qPrintable(mapped.join(' ')));
            }
            leaveChild(ok);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(BackendLoading, FolderWithoutTheVulkanModuleWorksAsBefore) {
    EXPECT_EXIT(
        {
            const QString model = scriptedModel();
            const QString cpuOnly = folder_.filePath("cpu-only");
            const QStringList modules = copyModules(cpuOnly, {"libggml-cpu*.so"});
            ::setenv("GGML_BACKEND_DIR", cpuOnly.toUtf8().constData(), 1);
            auto transcriber = Transcriber::create(model);
            const bool ok =
                !modules.isEmpty() && !modules.contains("libggml-vulkan.so") &&
                ggml_backend_reg_by_name("Vulkan") == nullptr && transcriber &&
                !transcriber->gpu() &&
                transcriber->transcribeScored(std::vector<float>(16000, 0.0f)).text == kPhrase;
            leaveChild(ok);
        },
        ::testing::ExitedWithCode(0), "");
}

// Recognition with the Vulkan module in the folder but no device it may use: the model runs on
// the CPU and nothing is said about it, on standard error or in the diagnostic log. Whether the
// Vulkan backend registers at all depends on the loader finding a driver. Runs in the child.
[[noreturn]] void recogniseOnTheCpuWithoutAWord(const QString& model, const QString& scratch,
                                                bool vulkanRegistered) {
    ::unsetenv("GGML_VK_VISIBLE_DEVICES");
    ::unsetenv("GGML_BACKEND_DIR");
    const QString said = scratch + "/stderr.txt";
    if (std::freopen(said.toUtf8().constData(), "w", stderr) == nullptr) {
        leaveChild(false);
    }
    auto transcriber = Transcriber::create(model);
    const bool recognised =
        transcriber &&
        transcriber->transcribeScored(std::vector<float>(16000, 0.0f)).text == kPhrase;
    std::fflush(stderr);
    QFile saidFile(said);
    const bool silent = saidFile.open(QIODevice::ReadOnly) && saidFile.size() == 0;
    leaveChild(recognised && (ggml_backend_reg_by_name("Vulkan") != nullptr) == vulkanRegistered &&
               !GGMLBackends::recognitionGpu() && !transcriber->gpu() && silent &&
               test::loggedMessages().isEmpty());
}

// The machine's Vulkan loader finds Mesa's software device, which ggml leaves out unless asked.
TEST_F(BackendLoading, OnlyASoftwareVulkanDeviceKeepsRecognitionOnTheCpuWithoutAWord) {
    TAVIK_REQUIRE_VULKAN_MODULE();
    const QString driver = softwareVulkanDriver();
    ASSERT_FALSE(driver.isEmpty()) << "Mesa's software Vulkan driver is missing: scripts/setup "
                                      "installs it (mesa-vulkan-drivers)";
    EXPECT_EXIT(
        {
            const QString model = scriptedModel();
            ::setenv("VK_ICD_FILENAMES", driver.toUtf8().constData(), 1);
            recogniseOnTheCpuWithoutAWord(model, folder_.path(), true);
        },
        ::testing::ExitedWithCode(0), "");
}

// A machine whose Vulkan loader finds no driver at all: the module loads but offers no backend.
TEST_F(BackendLoading, NoVulkanDriverKeepsRecognitionOnTheCpuWithoutAWord) {
    TAVIK_REQUIRE_VULKAN_MODULE();
    EXPECT_EXIT(
        {
            const QString model = scriptedModel();
            const QString none = folder_.filePath("no-driver.json");
            ::setenv("VK_ICD_FILENAMES", none.toUtf8().constData(), 1);
            recogniseOnTheCpuWithoutAWord(model, folder_.path(), false);
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
            int cpuDevices = 0;
            for (size_t i = 0; i < ggml_backend_dev_count(); ++i) {
                if (ggml_backend_dev_type(ggml_backend_dev_get(i)) ==
                    GGML_BACKEND_DEVICE_TYPE_CPU) {
                    ++cpuDevices;
                }
            }
            leaveChild(sawCpu.load() == 8 && cpuDevices == 1);
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
