#pragma once

#include "tools/test-model/model_writer.h"

#include <optional>
#include <string>
#include <vector>

namespace tavik::testmodel {

// A decoder that ignores the audio and, under greedy decoding, writes one fixed phrase:
// start-of-transcript, timestamp 0.00, the phrase's words, timestamp 1.00, end-of-text.
//
// How: every token in that chain gets its own axis as its embedding (everything else embeds to
// zero, and positions add nothing). The attention blocks are zeroed, so a position sees only its
// own token. The first block's feed-forward layer has one hidden unit per chain token that fires
// on that token's axis and writes a large vector along the next token's axis; the tied output
// projection then gives the next token a logit of about 24 and every other token about 0.
struct ScriptedDecoder {
    std::vector<std::string> words;      // " hello", " world" ... each a vocabulary token
    std::vector<std::string> vocabulary; // the file's vocabulary, words included
    TensorOverride override;             // fills the decoder tensors

    // Nothing when the phrase is empty, repeats a word (the decoder keys on the last token
    // alone) or has more words than the model's width allows.
    static std::optional<ScriptedDecoder> forPhrase(const std::string& phrase,
                                                    const ModelShape& shape);
};

} // namespace tavik::testmodel
