// The detector on the real Silero model, with real and generated speech.
#include "app/dictation/vad_model.h"
#include "app/dictation/voice_activity_detector.h"

#include "tests/support/fixtures.h"
#include "tests/support/recognition_fixtures.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <whisper.h>

#include <algorithm>
#include <cmath>

namespace tavik {
namespace {

struct Heard {
    VadEvent event;
    double atSeconds; // audio fed when the event arrived
};

struct Listening {
    std::vector<Heard> events;
    bool heardSpeech = false;
    double speechSeconds = 0.0;

    int count(VadEvent kind) const {
        return static_cast<int>(std::count_if(events.begin(), events.end(),
                                              [&](const Heard& h) { return h.event == kind; }));
    }
    std::vector<VadEvent> kinds() const {
        std::vector<VadEvent> all;
        for (const Heard& h : events) {
            all.push_back(h.event);
        }
        return all;
    }
};

// Feeds the samples chunk by chunk, delivering the notifications after each chunk so every
// event is stamped with how much audio had been fed.
Listening listen(VoiceActivityDetector& detector, const std::vector<float>& samples, size_t chunk) {
    Listening run;
    size_t fed = 0;
    const auto record = [&](VadEvent kind) {
        return [&run, &fed, kind] {
            run.events.push_back({kind, fed / 16000.0});
        };
    };
    detector.onSpeechPause = record(VadEvent::SpeechPause);
    detector.onSpeechResumed = record(VadEvent::SpeechResumed);
    detector.onSpeechEnd = record(VadEvent::SpeechEnd);
    for (size_t offset = 0; offset < samples.size(); offset += chunk) {
        const size_t end = std::min(samples.size(), offset + chunk);
        detector.feed(std::vector<float>(samples.begin() + static_cast<long>(offset),
                                         samples.begin() + static_cast<long>(end)));
        detector.speechSeconds(); // waits until the chunk has been processed
        fed = end;
        QCoreApplication::sendPostedEvents();
    }
    run.heardSpeech = detector.heardSpeech();
    run.speechSeconds = detector.speechSeconds();
    return run;
}

class SileroDetector : public ::testing::Test {
protected:
    void SetUp() override {
        model_ = test::sileroModelIn(folder_.path());
        ASSERT_FALSE(model_.isEmpty()) << "the shipped voice-activity model is missing";
    }
    std::unique_ptr<VoiceActivityDetector> detector() {
        auto created = VoiceActivityDetector::create(model_);
        EXPECT_NE(created, nullptr);
        return created;
    }
    // espeak-ng speech between stretches of silence, 16 kHz mono; empty without the tools.
    std::vector<float> spoken(const QString& text, double silenceBefore, double silenceAfter) {
        const QString raw = folder_.filePath("espeak.wav");
        const QString ready = folder_.filePath("spoken.wav");
        if (!test::runTool("espeak-ng", {"-w", raw, text}) ||
            !test::runTool("sox",
                           {raw, "-r", "16000", "-c", "1", "-b", "16", ready, "pad",
                            QString::number(silenceBefore), QString::number(silenceAfter)})) {
            return {};
        }
        return test::readSamples(ready);
    }

    QTemporaryDir folder_;
    QString model_;
};

TEST_F(SileroDetector, HearsThePhrasesOfARealSpeech) {
    TAVIK_REQUIRE_FIXTURE(jfk, "audio/jfk.wav");
    auto vad = detector();
    ASSERT_NE(vad, nullptr);
    const Listening run = listen(*vad, test::readSamples(jfk), 1024);
    EXPECT_TRUE(run.heardSpeech);
    EXPECT_NEAR(run.speechSeconds, 7.39, 0.3);
    EXPECT_GE(run.count(VadEvent::SpeechPause), 3);
    EXPECT_GE(run.count(VadEvent::SpeechResumed), 1);
    EXPECT_GE(run.count(VadEvent::SpeechEnd), 2) << "two long gaps between the phrases";
    ASSERT_FALSE(run.events.empty());
    EXPECT_EQ(run.events.front().event, VadEvent::SpeechPause);
    EXPECT_GT(run.events.front().atSeconds, 2.0) << "no pause inside the first phrase";
}

TEST_F(SileroDetector, ChunkSizeDoesNotChangeWhatIsHeard) {
    TAVIK_REQUIRE_FIXTURE(jfk, "audio/jfk.wav");
    const std::vector<float> speech = test::readSamples(jfk);
    auto small = detector();
    auto large = detector();
    ASSERT_TRUE(small && large);
    const Listening bySmall = listen(*small, speech, 341);
    const Listening byLarge = listen(*large, speech, 8192);
    EXPECT_EQ(bySmall.speechSeconds, byLarge.speechSeconds);
    EXPECT_EQ(bySmall.kinds(), byLarge.kinds());
    EXPECT_EQ(bySmall.heardSpeech, byLarge.heardSpeech);
}

// The streaming call carries the recurrent state over; started from a cleared state it must
// give what one whole-file detection gives.
TEST_F(SileroDetector, StreamingMatchesOneWholeDetectionFromTheFirstBatch) {
    TAVIK_REQUIRE_FIXTURE(jfk, "audio/jfk.wav");
    std::vector<float> speech = test::readSamples(jfk);
    speech.resize(speech.size() / 512 * 512);

    auto streaming = WhisperVadModel::load(model_);
    ASSERT_NE(streaming, nullptr);
    std::vector<float> streamed;
    for (size_t offset = 0; offset < speech.size(); offset += 8192) {
        const int count = static_cast<int>(std::min<size_t>(8192, speech.size() - offset));
        const auto probabilities = streaming->detect(speech.data() + offset, count);
        ASSERT_TRUE(probabilities.has_value());
        streamed.insert(streamed.end(), probabilities->begin(), probabilities->end());
    }

    whisper_vad_context_params params = whisper_vad_default_context_params();
    params.n_threads = 2;
    params.use_gpu = false;
    whisper_vad_context* whole =
        whisper_vad_init_from_file_with_params(model_.toUtf8().constData(), params);
    ASSERT_NE(whole, nullptr);
    ASSERT_TRUE(whisper_vad_detect_speech(whole, speech.data(), static_cast<int>(speech.size())));
    const std::vector<float> reference(whisper_vad_probs(whole),
                                       whisper_vad_probs(whole) + whisper_vad_n_probs(whole));
    whisper_vad_free(whole);

    ASSERT_EQ(streamed.size(), reference.size());
    float worst = 0.0f;
    for (size_t i = 0; i < streamed.size(); ++i) {
        worst = std::max(worst, std::abs(streamed[i] - reference[i]));
    }
    EXPECT_LT(worst, 1e-4f);

    // Speaking starts within the first phrase's opening words.
    VadStateMachine machine;
    size_t startWindow = 0;
    for (; startWindow < streamed.size() && !machine.speaking(); ++startWindow) {
        machine.consume(std::span<const float>(&streamed[startWindow], 1), 0.5f, VadCounts{});
    }
    EXPECT_LT(startWindow * 0.032, 0.6);
}

TEST_F(SileroDetector, SpokenSentenceEndsAfterTheSilenceHold) {
    const std::vector<float> sentence =
        spoken("Testing one two three. This is a dictation test.", 1.0, 2.0);
    if (sentence.empty()) {
        GTEST_SKIP() << "needs espeak-ng and sox";
    }
    auto quick = detector();
    auto patient = detector();
    ASSERT_TRUE(quick && patient);
    patient->setSilenceHoldMs(1200);
    const Listening byQuick = listen(*quick, sentence, 1024);
    const Listening byPatient = listen(*patient, sentence, 1024);

    EXPECT_TRUE(byQuick.heardSpeech);
    ASSERT_EQ(byQuick.count(VadEvent::SpeechEnd), 1);
    ASSERT_EQ(byPatient.count(VadEvent::SpeechEnd), 1);
    EXPECT_EQ(byQuick.events.back().event, VadEvent::SpeechEnd);
    // espeak-ng leaves some quiet of its own at the end, so the speech ends a little before the
    // added two seconds of silence begin.
    const double silenceBegins = sentence.size() / 16000.0 - 2.0;
    const double quickEnd = byQuick.events.back().atSeconds;
    EXPECT_GT(quickEnd, 1.0 + 2.0) << "the sentence lasts well over two seconds";
    EXPECT_LT(quickEnd, silenceBegins + 0.8);
    EXPECT_GT(quickEnd, silenceBegins);
    EXPECT_NEAR(byPatient.events.back().atSeconds - quickEnd, 0.512, 0.1);
}

TEST_F(SileroDetector, SilenceAndNoiseRaiseNothing) {
    const QString silence = folder_.filePath("silence.wav");
    const QString noise = folder_.filePath("noise.wav");
    if (!test::runTool("sox",
                       {"-n", "-r", "16000", "-c", "1", "-b", "16", silence, "trim", "0", "3"}) ||
        !test::runTool("sox", {"-n", "-r", "16000", "-c", "1", "-b", "16", noise, "synth", "3",
                               "whitenoise", "vol", "0.05"})) {
        GTEST_SKIP() << "needs sox";
    }
    for (const QString& path : {silence, noise}) {
        const std::vector<float> samples = test::readSamples(path);
        ASSERT_EQ(samples.size(), 48000u) << path.toStdString();
        auto vad = detector();
        ASSERT_NE(vad, nullptr);
        const Listening run = listen(*vad, samples, 1024);
        EXPECT_TRUE(run.events.empty()) << path.toStdString();
        EXPECT_FALSE(run.heardSpeech) << path.toStdString();
        EXPECT_EQ(run.speechSeconds, 0.0) << path.toStdString();
    }
}

// A hands-free recording started while someone was still speaking (a double tap at the end of
// a sentence): the 0.4 s heard before the press counts as speech, but the recording ends only
// after speech said after the press, whatever moment of the speech the press fell on.
TEST_F(SileroDetector, APressDuringSpeechEndsOnlyAfterSpeechSaidAfterThePress) {
    TAVIK_REQUIRE_FIXTURE(jfk, "audio/jfk.wav");
    const std::vector<float> speech = test::readSamples(jfk);
    ASSERT_EQ(speech.size(), 176000u);
    const auto concat = [](std::vector<float> head, std::size_t silentSamples,
                           const std::vector<float>& tail = {}) {
        head.resize(head.size() + silentSamples, 0.0f);
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    // Gathering one's words after the press, then "And so my fellow Americans" and quiet.
    const std::vector<float> phrase(speech.begin(), speech.begin() + 40000);
    const std::vector<float> saidAfter = concat(phrase, 24000);
    auto fresh = detector();
    ASSERT_NE(fresh, nullptr);
    const Listening plainly = listen(*fresh, saidAfter, 512);
    ASSERT_EQ(plainly.count(VadEvent::SpeechEnd), 1);
    const double phraseEnds = plainly.events.back().atSeconds;

    auto pressed = detector();
    auto unmarked = detector(); // the pre-roll fed as if said after the press
    ASSERT_TRUE(pressed && unmarked);
    int passedTheGate = 0;
    int endedUnmarked = 0;
    for (std::size_t press = 6400; press <= speech.size(); press += 1600) {
        const std::vector<float> preroll(speech.begin() + std::ptrdiff_t(press - 6400),
                                         speech.begin() + std::ptrdiff_t(press));
        const std::vector<float> beforeWords = concat(preroll, 32000); // 2 s of silence
        pressed->reset(6400);
        unmarked->reset();
        const Listening waiting = listen(*pressed, beforeWords, 512);
        const Listening reference = listen(*unmarked, beforeWords, 512);
        const double at = press / 16000.0;
        EXPECT_TRUE(waiting.events.empty()) << "press at " << at << " s";
        EXPECT_EQ(waiting.heardSpeech, reference.heardSpeech) << "press at " << at << " s";
        passedTheGate += waiting.heardSpeech ? 1 : 0;
        endedUnmarked += reference.count(VadEvent::SpeechEnd) > 0 ? 1 : 0;

        const Listening words = listen(*pressed, saidAfter, 512);
        ASSERT_EQ(words.count(VadEvent::SpeechEnd), 1) << "press at " << at << " s";
        EXPECT_NEAR(words.events.back().atSeconds, phraseEnds, 0.15) << "press at " << at << " s";
    }
    // Both kinds of moment were met: speech before the press that passes the gate, and speech
    // that, taken for the start of the dictation, would have ended it at once.
    EXPECT_GT(passedTheGate, 20);
    EXPECT_GT(endedUnmarked, 20);
}

} // namespace
} // namespace tavik
