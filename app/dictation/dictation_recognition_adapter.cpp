// The controller's view of the recogniser and the voice-activity detector.
#include "app/dictation/dictation_wiring.h"
#include "app/dictation/transcriber.h"
#include "app/dictation/voice_activity_detector.h"

namespace tavik::dictation {
namespace {

class WhisperRecogniser final : public Recogniser {
public:
    explicit WhisperRecogniser(std::shared_ptr<Transcriber> transcriber)
        : transcriber_(std::move(transcriber)) {}
    RecognitionResult transcribeScored(const Samples& samples) override {
        const auto result = transcriber_->transcribeScored(samples);
        return RecognitionResult{result.text, result.confidence};
    }
    void setVocabularyPrompt(const QString& prompt) override {
        transcriber_->setVocabularyPrompt(prompt.isEmpty() ? std::nullopt
                                                           : std::optional<QString>(prompt));
    }
    void warmUp() override { transcriber_->warmUp(); }

private:
    std::shared_ptr<Transcriber> transcriber_;
};

class SileroDetector final : public SpeechDetector {
public:
    explicit SileroDetector(std::unique_ptr<VoiceActivityDetector> detector)
        : detector_(std::move(detector)) {}
    void reset(std::size_t heardBefore) override { detector_->reset(heardBefore); }
    void feed(const Samples& chunk) override { detector_->feed(chunk); }
    bool heardSpeech() override { return detector_->heardSpeech(); }
    double speechSeconds() override { return detector_->speechSeconds(); }
    void setSilenceHoldMs(int ms) override { detector_->setSilenceHoldMs(ms); }
    void setSpeculativeHoldMs(int ms) override { detector_->setSpeculativeHoldMs(ms); }
    void setOnSpeechPause(std::function<void()> handler) override {
        detector_->onSpeechPause = std::move(handler);
    }
    void setOnSpeechResumed(std::function<void()> handler) override {
        detector_->onSpeechResumed = std::move(handler);
    }
    void setOnSpeechEnd(std::function<void()> handler) override {
        detector_->onSpeechEnd = std::move(handler);
    }

private:
    std::unique_ptr<VoiceActivityDetector> detector_;
};

} // namespace

DetectorFactory detectorFactory() {
    return [](const QString& path) -> std::unique_ptr<SpeechDetector> {
        auto detector = VoiceActivityDetector::create(path);
        if (!detector) {
            return nullptr;
        }
        return std::make_unique<SileroDetector>(std::move(detector));
    };
}

RecogniserFactory recogniserFactory() {
    return [](const QString& path) -> std::shared_ptr<Recogniser> {
        auto transcriber = Transcriber::create(path);
        if (!transcriber) {
            return nullptr;
        }
        return std::make_shared<WhisperRecogniser>(std::move(transcriber));
    };
}

} // namespace tavik::dictation
