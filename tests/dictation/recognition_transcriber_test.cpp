#include "app/dictation/transcriber.h"

#include "tests/support/fixtures.h"
#include "tests/support/recognition_fixtures.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tavik {
namespace {

// One tiny random model per test program: generating it takes a fraction of a second, but every
// test that loads a model would otherwise repeat it.
class TinyModel : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new QTemporaryDir();
        tinyPath_ = test::generateTestModel(folder_->path(), "ggml-tiny-test.bin");
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    void SetUp() override {
        ASSERT_FALSE(tinyPath_.isEmpty())
            << "the test-model generator failed: " << test::testModelTool().toStdString();
    }
    static QString folder() { return folder_->path(); }
    static QString tinyPath() { return tinyPath_; }

private:
    static inline QTemporaryDir* folder_ = nullptr;
    static inline QString tinyPath_;
};

TEST_F(TinyModel, LoadsWarmsUpAndRecognisesSpeechWithConfidenceInRange) {
    TAVIK_REQUIRE_FIXTURE(jfk, "audio/jfk.wav");
    auto transcriber = Transcriber::create(tinyPath());
    ASSERT_NE(transcriber, nullptr);
    EXPECT_EQ(transcriber->modelPath(), tinyPath());

    transcriber->warmUp();
    EXPECT_EQ(transcriber->whisperRuns(), 1);

    std::vector<float> speech = test::readSamples(jfk);
    ASSERT_EQ(speech.size(), 176000u);
    speech.resize(3 * 16000); // random weights decode garbage at length; three seconds will do
    const RecognitionResult result = transcriber->transcribeScored(speech);
    EXPECT_EQ(transcriber->whisperRuns(), 2);
    EXPECT_GE(result.confidence, 0.0);
    EXPECT_LE(result.confidence, 1.0);
    EXPECT_EQ(result.text, result.text.trimmed());
    EXPECT_EQ(result.text, Transcriber::clean(result.text)) << "the text must come out cleaned";
}

TEST_F(TinyModel, EmptyInputNeverReachesTheModel) {
    auto transcriber = Transcriber::create(tinyPath());
    ASSERT_NE(transcriber, nullptr);
    const RecognitionResult result = transcriber->transcribeScored({});
    EXPECT_EQ(result.text, "");
    EXPECT_EQ(result.confidence, 0.0);
    EXPECT_EQ(transcriber->whisperRuns(), 0);
}

TEST_F(TinyModel, InputTooShortForWhisperGivesNothing) {
    auto transcriber = Transcriber::create(tinyPath());
    ASSERT_NE(transcriber, nullptr);
    const std::vector<float> fiftyMs(800, 0.01f);
    const RecognitionResult result = transcriber->transcribeScored(fiftyMs);
    EXPECT_EQ(transcriber->whisperRuns(), 1);
    EXPECT_EQ(result.text, "");
    EXPECT_EQ(result.confidence, 0.0);
}

TEST_F(TinyModel, UnloadableFilesGiveNoTranscriber) {
    EXPECT_EQ(Transcriber::create(folder() + "/missing.bin"), nullptr);
    EXPECT_EQ(Transcriber::create(folder()), nullptr) << "a folder is not a model";

    QFile random(folder() + "/random.bin");
    ASSERT_TRUE(random.open(QIODevice::WriteOnly));
    QByteArray noise(4096, '\0');
    for (int i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<char>((i * 7919 + 13) & 0xff);
    }
    random.write(noise);
    random.close();
    EXPECT_EQ(Transcriber::create(random.fileName()), nullptr);

    QFile whole(tinyPath());
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    for (const qsizetype cut : {qsizetype(2), qsizetype(100), bytes.size() / 2, bytes.size() - 4}) {
        QFile truncated(folder() + "/truncated.bin");
        ASSERT_TRUE(truncated.open(QIODevice::WriteOnly | QIODevice::Truncate));
        truncated.write(bytes.left(cut));
        truncated.close();
        EXPECT_EQ(Transcriber::create(truncated.fileName()), nullptr) << "cut at " << cut;
    }
}

TEST_F(TinyModel, AllF32ModelIsRefusedBeforeItCanAbortARecognition) {
    const QString path = test::generateTestModel(folder(), "ggml-f32.bin", {"--all-f32"});
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(Transcriber::create(path), nullptr);
}

TEST_F(TinyModel, PromptIsKeptAsGivenAndUsedWithoutHarm) {
    auto transcriber = Transcriber::create(tinyPath());
    ASSERT_NE(transcriber, nullptr);
    EXPECT_FALSE(transcriber->vocabularyPrompt().has_value());
    const QString prompt = QString::fromUtf8("Tavik, Zo\u00eb, na\u00efve, \u6771\u4eac");
    transcriber->setVocabularyPrompt(prompt);
    EXPECT_EQ(transcriber->vocabularyPrompt(), prompt);

    const std::vector<float> tone = [] {
        std::vector<float> samples(16000);
        for (size_t i = 0; i < samples.size(); ++i) {
            samples[i] = 0.1f * static_cast<float>((i % 40) < 20 ? 1 : -1);
        }
        return samples;
    }();
    const RecognitionResult prompted = transcriber->transcribeScored(tone);
    EXPECT_GE(prompted.confidence, 0.0);
    EXPECT_LE(prompted.confidence, 1.0);

    transcriber->setVocabularyPrompt(std::nullopt);
    EXPECT_FALSE(transcriber->vocabularyPrompt().has_value());
    EXPECT_EQ(transcriber->whisperRuns(), 1);
}

TEST_F(TinyModel, ConcurrentCallersAreServedOneAtATimeWhilePromptChanges) {
    auto transcriber = Transcriber::create(tinyPath());
    ASSERT_NE(transcriber, nullptr);
    const std::vector<float> second(16000, 0.0f);
    std::atomic<int> inRange{0};
    std::vector<std::thread> callers;
    for (int i = 0; i < 3; ++i) {
        callers.emplace_back([&, keep = transcriber] {
            const RecognitionResult r = keep->transcribeScored(second);
            if (r.confidence >= 0.0 && r.confidence <= 1.0) {
                ++inRange;
            }
        });
    }
    for (int i = 0; i < 50; ++i) {
        transcriber->setVocabularyPrompt(QString::fromUtf8("term %1 \u00e9").arg(i));
    }
    for (auto& caller : callers) {
        caller.join();
    }
    EXPECT_EQ(inRange.load(), 3);
    EXPECT_EQ(transcriber->whisperRuns(), 3);
}

TEST_F(TinyModel, OwnerMayLetGoWhileARecognitionIsQueued) {
    auto transcriber = Transcriber::create(tinyPath());
    ASSERT_NE(transcriber, nullptr);
    std::weak_ptr<Transcriber> watch = transcriber;
    std::atomic<bool> finished{false};
    std::thread caller([keep = transcriber, &finished]() mutable {
        keep->transcribeScored(std::vector<float>(32000, 0.0f));
        keep.reset(); // the last owner goes here, off the queue
        finished = true;
    });
    transcriber.reset();
    caller.join();
    EXPECT_TRUE(finished.load());
    EXPECT_TRUE(watch.expired());
}

// A decoder scripted to write one phrase: the whole recognition path, whisper.cpp included,
// must deliver that phrase and its near-certain confidence.
TEST_F(TinyModel, ScriptedModelDeliversItsPhraseWithHighConfidence) {
    TAVIK_REQUIRE_FIXTURE(jfk, "audio/jfk.wav");
    const QString path = test::generateTestModel(folder(), "ggml-scripted.bin",
                                                 {"--phrase", "hello from the tavik test model"});
    ASSERT_FALSE(path.isEmpty());
    auto transcriber = Transcriber::create(path);
    ASSERT_NE(transcriber, nullptr);

    const RecognitionResult plain = transcriber->transcribeScored(test::readSamples(jfk));
    EXPECT_EQ(plain.text, "hello from the tavik test model");
    EXPECT_GT(plain.confidence, 0.9);
    EXPECT_LE(plain.confidence, 1.0);

    transcriber->setVocabularyPrompt(QString("Tavik, hello, Kubernetes"));
    const RecognitionResult prompted =
        transcriber->transcribeScored(std::vector<float>(24000, 0.0f));
    EXPECT_EQ(prompted.text, "hello from the tavik test model");
    EXPECT_GT(prompted.confidence, 0.9);
}

TEST(RealModel, RecognisesTheSpeechWhenARealModelIsGiven) {
    const QString model = qEnvironmentVariable("TAVIK_TEST_MODEL");
    if (model.isEmpty() || !QFile::exists(model)) {
        GTEST_SKIP() << "set TAVIK_TEST_MODEL to a real ggml-base.en.bin or ggml-small.en.bin "
                        "to run recognition on real weights";
    }
    TAVIK_REQUIRE_FIXTURE(jfk, "audio/jfk.wav");
    auto transcriber = Transcriber::create(model);
    ASSERT_NE(transcriber, nullptr);
    transcriber->warmUp();
    const RecognitionResult result = transcriber->transcribeScored(test::readSamples(jfk));
    EXPECT_TRUE(result.text.toLower().contains("ask not what your country can do for you"))
        << result.text.toStdString();
    EXPECT_GT(result.confidence, 0.35);
}

} // namespace
} // namespace tavik
