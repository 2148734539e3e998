// tavik-test-model: writes a whisper.cpp model file with made-up weights.
//
//   tavik-test-model [--shape tiny|base.en|small.en] [--phrase "words"] [--seed N] [--all-f32]
//   OUTPUT
//
// The tiny shape loads and runs in milliseconds; base.en and small.en have the real sizes, so
// they cost what the real models cost. With --phrase the decoder writes that phrase for any
// audio, with a confidence near 1.
#include "tools/test-model/model_writer.h"
#include "tools/test-model/scripted_decoder.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace tavik::testmodel {

std::optional<ModelShape> ModelShape::named(const std::string& name) {
    ModelShape shape;
    if (name == "tiny") {
        return shape;
    }
    if (name == "base.en") {
        shape.state = 512;
        shape.heads = 8;
        shape.audioLayers = shape.textLayers = 6;
        return shape;
    }
    if (name == "small.en") {
        shape.state = 768;
        shape.heads = 12;
        shape.audioLayers = shape.textLayers = 12;
        return shape;
    }
    return std::nullopt;
}

} // namespace tavik::testmodel

namespace {

int usage() {
    std::fprintf(stderr, "usage: tavik-test-model [--shape tiny|base.en|small.en] "
                         "[--phrase \"words\"] [--seed N] [--all-f32] OUTPUT\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    using namespace tavik::testmodel;
    std::string shapeName = "tiny";
    std::string phrase;
    std::string output;
    std::uint32_t seed = 1;
    bool allF32 = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--shape" && hasValue) {
            shapeName = argv[++i];
        } else if (argument == "--phrase" && hasValue) {
            phrase = argv[++i];
        } else if (argument == "--all-f32") {
            allF32 = true;
        } else if (argument == "--seed" && hasValue) {
            seed = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (!argument.starts_with("--") && output.empty()) {
            output = argument;
        } else {
            return usage();
        }
    }
    auto shape = ModelShape::named(shapeName);
    if (!shape || output.empty()) {
        return usage();
    }
    shape->allF32 = allF32;
    bool written = false;
    if (phrase.empty()) {
        written = writeModel(output, *shape, fillerVocabulary({}), seed);
    } else {
        const auto scripted = ScriptedDecoder::forPhrase(phrase, *shape);
        if (!scripted) {
            std::fprintf(stderr, "tavik-test-model: the phrase must have 1 to %d distinct words\n",
                         shape->state - 4);
            return 2;
        }
        written = writeModel(output, *shape, scripted->vocabulary, seed, scripted->override);
    }
    if (!written) {
        std::fprintf(stderr, "tavik-test-model: could not write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
