#include "tools/test-model/scripted_decoder.h"

#include <algorithm>
#include <set>
#include <sstream>

namespace tavik::testmodel {
namespace {

constexpr float kEmbedding = 3.0f;     // length of a chain token's embedding
constexpr float kDetectorBias = -4.0f; // a hidden unit fires only on its own token's axis
constexpr float kPush = 16.0f;         // how far the feed-forward layer moves toward the next token
constexpr float kFiredUnit = 3.94f;    // a fired unit's activation after layer norm and GELU

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

std::optional<ScriptedDecoder> ScriptedDecoder::forPhrase(const std::string& phrase,
                                                          const ModelShape& shape) {
    ScriptedDecoder decoder;
    std::istringstream split(phrase);
    for (std::string word; split >> word;) {
        decoder.words.push_back(" " + word);
    }
    const std::set<std::string> unique(decoder.words.begin(), decoder.words.end());
    const std::size_t chainLength = decoder.words.size() + 4; // sot, 0.00, words, 1.00, eot
    if (decoder.words.empty() || unique.size() != decoder.words.size() ||
        chainLength > static_cast<std::size_t>(shape.state)) {
        return std::nullopt;
    }
    decoder.vocabulary = fillerVocabulary(decoder.words);

    // The chain of token ids, each followed by the one the decoder must emit after it.
    std::vector<std::int32_t> chain = {tokens::kStartOfTranscript, tokens::kTimestampBegin};
    for (std::size_t i = 0; i < decoder.words.size(); ++i) {
        chain.push_back(256 + static_cast<std::int32_t>(i));
    }
    chain.push_back(tokens::kTimestampBegin + 50);
    chain.push_back(tokens::kEndOfText);

    const std::int32_t s = shape.state;
    decoder.override = [chain, s](const TensorSpec& spec, std::vector<float>& values) {
        const auto at = [&](std::size_t row, std::size_t column, std::size_t rowLength) -> float& {
            return values[row * rowLength + column];
        };
        if (spec.name == "decoder.token_embedding.weight") {
            for (std::size_t axis = 0; axis < chain.size(); ++axis) {
                at(static_cast<std::size_t>(chain[axis]), axis, static_cast<std::size_t>(s)) =
                    kEmbedding;
            }
            return true;
        }
        if (spec.name == "decoder.positional_embedding") {
            return true; // zeros: the same token means the same thing anywhere
        }
        if (!startsWith(spec.name, "decoder.blocks.")) {
            return false;
        }
        const bool firstBlock = startsWith(spec.name, "decoder.blocks.0.");
        if (spec.fill == Fill::One) {
            return false; // layer-norm gains stay 1
        }
        if (firstBlock && spec.name.ends_with(".mlp.0.weight")) {
            // 4S rows of S: hidden unit `axis` reads the chain token on `axis`.
            for (std::size_t axis = 0; axis + 1 < chain.size(); ++axis) {
                at(axis, axis, static_cast<std::size_t>(s)) = 1.0f;
            }
            return true;
        }
        if (firstBlock && spec.name.ends_with(".mlp.0.bias")) {
            std::fill(values.begin(), values.end(), kDetectorBias);
            return true;
        }
        if (firstBlock && spec.name.ends_with(".mlp.2.weight")) {
            // S rows of 4S: output axis `axis + 1` is pushed by hidden unit `axis`.
            for (std::size_t axis = 0; axis + 1 < chain.size(); ++axis) {
                at(axis + 1, axis, static_cast<std::size_t>(4 * s)) = kPush / kFiredUnit;
            }
            return true;
        }
        return true; // every other decoder weight and bias is zero: attention adds nothing
    };
    return decoder;
}

} // namespace tavik::testmodel
