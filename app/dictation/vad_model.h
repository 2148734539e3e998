#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <span>

struct whisper_vad_context;

namespace tavik {

// The speech-probability model behind the detector: one probability per 512-sample window,
// with its recurrent state carried from one call to the next until resetState().
class VadModel {
public:
    static constexpr int kWindowSamples = 512;

    virtual ~VadModel() = default;
    // Runs `count` samples (a whole number of windows). The probabilities stay valid until the
    // next call; nothing on failure.
    virtual std::optional<std::span<const float>> detect(const float* samples, int count) = 0;
    virtual void resetState() = 0;
};

// The Silero model through whisper.cpp's streaming calls; one thread, no GPU.
class WhisperVadModel final : public VadModel {
public:
    // Nothing when the file is missing, no compute backend is loaded or the file is not a model.
    static std::unique_ptr<WhisperVadModel> load(const QString& path);
    ~WhisperVadModel() override;
    WhisperVadModel(const WhisperVadModel&) = delete;
    WhisperVadModel& operator=(const WhisperVadModel&) = delete;

    std::optional<std::span<const float>> detect(const float* samples, int count) override;
    void resetState() override;

private:
    explicit WhisperVadModel(whisper_vad_context* context) : ctx_(context) {}
    whisper_vad_context* ctx_;
};

} // namespace tavik
