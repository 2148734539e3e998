#include "app/dictation/voice_activity_detector.h"

#include "platform/main_thread.h"
#include "tests/support/fixtures.h"

#include <QCoreApplication>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <thread>

namespace tavik {
namespace {

// Plays back scripted probabilities, one per window, and remembers the batch sizes it was given.
class ScriptedVadModel final : public VadModel {
public:
    struct Shared {
        std::mutex mutex;
        std::deque<float> script;
        std::vector<int> batches;
        int resets = 0;
        bool failNext = false;
        std::atomic<bool> gate{true}; // detection blocks while false
    };
    explicit ScriptedVadModel(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

    std::optional<std::span<const float>> detect(const float*, int count) override {
        while (!shared_->gate.load()) {
            std::this_thread::yield();
        }
        std::lock_guard lock(shared_->mutex);
        shared_->batches.push_back(count);
        if (shared_->failNext) {
            shared_->failNext = false;
            return std::nullopt;
        }
        probabilities_.clear();
        for (int i = 0; i < count / kWindowSamples; ++i) {
            float p = 0.0f;
            if (!shared_->script.empty()) {
                p = shared_->script.front();
                shared_->script.pop_front();
            }
            probabilities_.push_back(p);
        }
        return std::span<const float>(probabilities_);
    }
    void resetState() override {
        std::lock_guard lock(shared_->mutex);
        ++shared_->resets;
    }

private:
    std::shared_ptr<Shared> shared_;
    std::vector<float> probabilities_;
};

struct Harness {
    std::shared_ptr<ScriptedVadModel::Shared> model = std::make_shared<ScriptedVadModel::Shared>();
    std::unique_ptr<VoiceActivityDetector> detector =
        std::make_unique<VoiceActivityDetector>(std::make_unique<ScriptedVadModel>(model));
    int pauses = 0;
    int resumes = 0;
    int ends = 0;

    Harness() {
        detector->onSpeechPause = [this] {
            ++pauses;
        };
        detector->onSpeechResumed = [this] {
            ++resumes;
        };
        detector->onSpeechEnd = [this] {
            ++ends;
        };
    }
    void script(int count, float p) {
        std::lock_guard lock(model->mutex);
        model->script.insert(model->script.end(), static_cast<size_t>(count), p);
    }
    std::vector<int> batches() {
        std::lock_guard lock(model->mutex);
        return model->batches;
    }
};

TEST(VadDetectorFeeding, RunsWholeWindowsAndKeepsTheRest) {
    Harness h;
    h.detector->feed(std::vector<float>(1000, 0.0f));
    h.detector->speechSeconds(); // waits for the feed
    EXPECT_EQ(h.batches(), std::vector<int>({512}));
    h.detector->feed(std::vector<float>(23, 0.0f));
    h.detector->speechSeconds();
    EXPECT_EQ(h.batches(), std::vector<int>({512})) << "511 samples pending: nothing runs";
    h.detector->feed(std::vector<float>(1, 0.0f));
    h.detector->speechSeconds();
    EXPECT_EQ(h.batches(), std::vector<int>({512, 512}));
    h.detector->feed(std::vector<float>(512 * 3 + 5, 0.0f));
    h.detector->speechSeconds();
    EXPECT_EQ(h.batches(), std::vector<int>({512, 512, 1536}));
}

TEST(VadDetectorFeeding, NotificationsReachTheCallbacksOnTheMainThread) {
    Harness h;
    bool onMain = true;
    h.detector->onSpeechEnd = [&] {
        onMain = onMain && platform::isMainThread();
        ++h.ends;
    };
    h.script(7, 0.9f);
    h.script(9, 0.0f);
    h.script(1, 0.9f);
    h.script(21, 0.0f);
    h.detector->feed(std::vector<float>(512 * 38, 0.0f));
    ASSERT_TRUE(test::spinUntil([&] { return h.ends == 1; }, 5000));
    EXPECT_EQ(h.pauses, 2);
    EXPECT_EQ(h.resumes, 1);
    EXPECT_TRUE(onMain);
    EXPECT_TRUE(h.detector->heardSpeech() == false) << "8 speech windows are not enough";
    EXPECT_DOUBLE_EQ(h.detector->speechSeconds(), 8 * 0.032);
}

TEST(VadDetectorFeeding, FailedBatchIsDroppedAndStateKept) {
    Harness h;
    h.script(12, 0.9f);
    h.detector->feed(std::vector<float>(512 * 12, 0.0f));
    EXPECT_TRUE(h.detector->heardSpeech());
    {
        std::lock_guard lock(h.model->mutex);
        h.model->failNext = true;
    }
    h.script(4, 0.9f);
    h.detector->feed(std::vector<float>(512 * 4, 0.0f));
    EXPECT_DOUBLE_EQ(h.detector->speechSeconds(), 12 * 0.032);
}

TEST(VadDetectorFeeding, ResetActsAfterEverythingFedBeforeIt) {
    Harness h;
    h.script(30, 0.9f);
    h.detector->feed(std::vector<float>(512 * 30 + 100, 0.0f));
    h.detector->reset();
    EXPECT_FALSE(h.detector->heardSpeech());
    EXPECT_EQ(h.detector->speechSeconds(), 0.0);
    EXPECT_EQ(h.model->resets, 1);
    // The 100 samples left over before the reset are gone: 412 more do not make a window.
    h.detector->feed(std::vector<float>(412, 0.0f));
    h.detector->speechSeconds();
    EXPECT_EQ(h.batches().size(), 1u);
}

TEST(VadDetectorFeeding, NotificationsFromBeforeAResetAreDropped) {
    Harness h;
    h.script(7, 0.9f);
    h.script(21, 0.0f);
    h.detector->feed(std::vector<float>(512 * 28, 0.0f));
    h.detector->speechSeconds(); // the end is now posted, not yet delivered
    h.detector->reset();         // a new recording starts before the main loop ran
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(h.ends, 0);
    EXPECT_EQ(h.pauses, 0);

    h.script(7, 0.9f);
    h.script(21, 0.0f);
    h.detector->feed(std::vector<float>(512 * 28, 0.0f));
    EXPECT_TRUE(test::spinUntil([&] { return h.ends == 1; }, 5000)) << "later events still arrive";
}

TEST(VadDetectorFeeding, DurationChangesTakeEffectFromTheNextBatch) {
    Harness h;
    h.detector->setSilenceHoldMs(1200); // 37 windows
    EXPECT_EQ(h.detector->silenceHoldMs(), 1200);
    h.script(7, 0.9f);
    h.script(30, 0.0f);
    h.detector->feed(std::vector<float>(512 * 37, 0.0f));
    h.detector->speechSeconds();
    h.detector->setSilenceHoldMs(700);
    h.script(1, 0.0f);
    h.detector->feed(std::vector<float>(512, 0.0f));
    ASSERT_TRUE(test::spinUntil([&] { return h.ends == 1; }, 5000));
    EXPECT_EQ(h.pauses, 1);
}

TEST(VadDetectorLifetime, DestroyingWithWorkPendingDropsItAndCallsNothing) {
    Harness h;
    h.model->gate = false; // the first batch blocks inside the model
    h.script(7, 0.9f);
    h.script(21, 0.0f);
    h.detector->feed(std::vector<float>(512 * 28, 0.0f)); // posts an end once let through
    for (int i = 0; i < 100; ++i) {
        h.detector->feed(std::vector<float>(512, 0.0f));
    }
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        h.model->gate = true;
    });
    h.detector.reset();
    release.join();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(h.ends, 0);
    EXPECT_LE(h.batches().size(), 1u) << "queued batches must not run after destruction";
}

TEST(VadDetectorCreation, MissingOrUnreadableModelGivesNoDetector) {
    TAVIK_REQUIRE_FIXTURE(silero, "models/ggml-silero-v6.2.0.bin");
    QTemporaryDir folder;
    EXPECT_EQ(VoiceActivityDetector::create(folder.filePath("ggml-silero.bin")), nullptr);
    EXPECT_EQ(VoiceActivityDetector::create(folder.path()), nullptr);

    QFile whole(silero);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    QFile random(folder.filePath("random.bin"));
    ASSERT_TRUE(random.open(QIODevice::WriteOnly));
    random.write(QByteArray(8192, '\x5a'));
    random.close();
    EXPECT_EQ(VoiceActivityDetector::create(random.fileName()), nullptr);
    for (const qsizetype cut : {qsizetype(3), qsizetype(64), bytes.size() / 2}) {
        QFile truncated(folder.filePath("truncated.bin"));
        ASSERT_TRUE(truncated.open(QIODevice::WriteOnly | QIODevice::Truncate));
        truncated.write(bytes.left(cut));
        truncated.close();
        EXPECT_EQ(VoiceActivityDetector::create(truncated.fileName()), nullptr) << cut;
    }
}

} // namespace
} // namespace tavik
