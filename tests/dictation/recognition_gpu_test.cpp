// Recognition on a Vulkan device. No machine here has a GPU, so the device is Mesa's software
// renderer, named explicitly: ggml's Vulkan backend leaves software renderers out unless
// GGML_VK_VISIBLE_DEVICES lists them. The backends are loaded once per process, so the device is
// made visible before anything loads them; every test here wants it so.
#include "app/dictation/ggml_backends.h"
#include "app/dictation/transcriber.h"
#include "app/dictation/voice_activity_detector.h"

#include "tests/support/audio_log.h"
#include "tests/support/fixtures.h"
#include "tests/support/recognition_fixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <whisper.h>

#include <cstdlib>
#include <mutex>

namespace tavik {
namespace {

const char* kPhrase = "hello from the tavik test model";

// whisper.cpp's own account of where it put things, which the application's log filter drops:
// the device it took for the GPU, and the buffer each model's weights went to.
class WhisperAccount {
public:
    WhisperAccount() { whisper_log_set(&WhisperAccount::collect, this); }
    ~WhisperAccount() { whisper_log_set(nullptr, nullptr); }

    QStringList take() {
        std::lock_guard guard(mutex_);
        return std::exchange(lines_, {});
    }

private:
    static void collect(ggml_log_level, const char* text, void* self) {
        auto* account = static_cast<WhisperAccount*>(self);
        std::lock_guard guard(account->mutex_);
        account->lines_ << QString::fromUtf8(text).trimmed();
    }
    std::mutex mutex_;
    QStringList lines_;
};

class RecognitionOnVulkan : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const QStringList drivers =
            QDir("/usr/share/vulkan/icd.d").entryList({"lvp_icd.*.json"}, QDir::Files);
        if (!drivers.isEmpty()) {
            // Only the software device, whatever else the machine has, so it is device 0.
            const QString driver = "/usr/share/vulkan/icd.d/" + drivers.first();
            ::setenv("VK_ICD_FILENAMES", driver.toUtf8().constData(), 1);
            ::setenv("GGML_VK_VISIBLE_DEVICES", "0", 1);
            ::unsetenv("GGML_BACKEND_DIR");
            GGMLBackends::ensureLoaded();
        }
        softwareDriver_ = !drivers.isEmpty();
    }
    void SetUp() override {
        if (!QFile::exists(GGMLBackends::bundledFolder() + "/libggml-vulkan.so")) {
            // scripts/whisper-cache fails when a build makes no Vulkan module, so only a cache
            // from before the module existed gets here.
            GTEST_SKIP() << "this build's whisper.cpp has no Vulkan module; scripts/setup "
                            "rebuilds it once";
        }
        ASSERT_TRUE(softwareDriver_) << "Mesa's software Vulkan driver is missing: scripts/setup "
                                        "installs it (mesa-vulkan-drivers)";
        ASSERT_TRUE(GGMLBackends::recognitionGpu().has_value())
            << "the Vulkan module did not load or shows no device; was whisper.cpp built with "
               "GGML_VULKAN (scripts/whisper-cache)?";
    }

    QTemporaryDir folder_;
    static inline bool softwareDriver_ = false;
};

// The one slow test (half a minute to a minute and a half on the software device): the same model
// on the CPU and on the Vulkan device must say the same thing with the same confidence.
TEST_F(RecognitionOnVulkan, SoftwareDeviceRecognisesAsTheCpuDoes) {
#if defined(__SANITIZE_ADDRESS__)
    // Mesa compiles every shader with LLVM here, and under AddressSanitizer's allocator that
    // takes over five minutes; the code of ours it runs is the CPU tests' code, which the
    // sanitizers cover. The plain run does this test.
    GTEST_SKIP() << "the software Vulkan device is too slow under AddressSanitizer";
#endif
    TAVIK_REQUIRE_FIXTURE(jfk, "audio/jfk.wav");
    std::vector<float> speech = test::readSamples(jfk);
    ASSERT_GE(speech.size(), 80000u);
    speech.resize(80000);
    const QString model =
        test::generateTestModel(folder_.path(), "ggml-scripted.bin", {"--phrase", kPhrase});
    ASSERT_FALSE(model.isEmpty());

    WhisperAccount account;
    auto onGpu = Transcriber::create(model);
    ASSERT_NE(onGpu, nullptr);
    ASSERT_TRUE(onGpu->gpu().has_value());
    EXPECT_EQ(onGpu->gpu()->backend, "Vulkan");
    EXPECT_EQ(onGpu->gpu()->name, "Vulkan0");
    EXPECT_TRUE(onGpu->gpu()->description.contains("llvmpipe"))
        << onGpu->gpu()->description.toStdString();
    const QStringList gpuLoad = account.take();
    EXPECT_EQ(gpuLoad.filter("using Vulkan0 backend").size(), 1)
        << gpuLoad.join('\n').toStdString();
    EXPECT_FALSE(gpuLoad.filter("Vulkan0 total size").isEmpty())
        << "the weights must live on the device\n"
        << gpuLoad.join('\n').toStdString();
    EXPECT_EQ(test::countLogged("speech model on the Vulkan backend, device Vulkan0: " +
                                onGpu->gpu()->description),
              1);

    auto onCpu = Transcriber::create(model, Transcriber::Compute::cpuOnly);
    ASSERT_NE(onCpu, nullptr);
    EXPECT_FALSE(onCpu->gpu().has_value());
    const QStringList cpuLoad = account.take();
    EXPECT_TRUE(cpuLoad.filter("Vulkan").isEmpty()) << cpuLoad.join('\n').toStdString();

    const RecognitionResult cpu = onCpu->transcribeScored(speech);
    const RecognitionResult gpu = onGpu->transcribeScored(speech);
    EXPECT_EQ(cpu.text, kPhrase);
    EXPECT_EQ(gpu.text, cpu.text);
    EXPECT_GT(cpu.confidence, 0.9);
    EXPECT_NEAR(gpu.confidence, cpu.confidence, 0.01);
    const QStringList afterwards = account.take();
    const QStringList whisperErrors = afterwards.filter("error", Qt::CaseInsensitive) +
                                      afterwards.filter("fail", Qt::CaseInsensitive);
    EXPECT_TRUE(whisperErrors.isEmpty()) << whisperErrors.join('\n').toStdString();
}

// whisper.cpp's detector could be asked for the GPU; the application keeps it on the CPU, where
// one 32 ms window costs a fraction of a millisecond, even with a Vulkan device in sight.
TEST_F(RecognitionOnVulkan, VoiceActivityDetectorStaysOnTheCpu) {
    TAVIK_REQUIRE_FIXTURE(silero, "models/ggml-silero-v6.2.0.bin");
    WhisperAccount account;
    auto detector = VoiceActivityDetector::create(silero);
    ASSERT_NE(detector, nullptr);
    const QStringList load = account.take();
    EXPECT_TRUE(load.filter("Vulkan").isEmpty()) << load.join('\n').toStdString();
    EXPECT_FALSE(load.filter("CPU total size").isEmpty()) << load.join('\n').toStdString();
}

} // namespace
} // namespace tavik
