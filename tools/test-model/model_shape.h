#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavik::testmodel {

// The hyper-parameters of a whisper model file, in file order.
struct ModelShape {
    std::int32_t vocabulary = 51864; // English-only: the special tokens sit at their .en places
    std::int32_t audioContext = 1500;
    std::int32_t state = 64; // shared by the audio and the text side
    std::int32_t heads = 2;
    std::int32_t audioLayers = 1;
    std::int32_t textContext = 448;
    std::int32_t textLayers = 1;
    std::int32_t mels = 80;
    // Every tensor in F32 (file type 0): whisper.cpp loads such a file but cannot run it, so
    // only tests of the application's own model check want one.
    bool allF32 = false;

    // "tiny" (state 64, one layer each side), "base.en" or "small.en" (the real sizes).
    static std::optional<ModelShape> named(const std::string& name);
};

// The English-only special tokens, as whisper.cpp numbers them.
namespace tokens {
constexpr std::int32_t kEndOfText = 50256;
constexpr std::int32_t kStartOfTranscript = 50257;
constexpr std::int32_t kTimestampBegin = 50363; // 0.00 s; each further id is 20 ms later
} // namespace tokens

// 80 mel bands over the 201 bins of a 400-point FFT at 16 kHz, Slaney scale and area
// normalisation: the filters whisper was trained with.
std::vector<float> melFilters(int mels, int fftBins);

} // namespace tavik::testmodel
