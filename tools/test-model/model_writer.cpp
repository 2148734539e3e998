#include "tools/test-model/model_writer.h"

#include <cstring>
#include <fstream>
#include <set>

namespace tavik::testmodel {
namespace {

constexpr std::uint32_t kMagic = 0x67676d6c; // "ggml"
constexpr std::int32_t kFftBins = 201;

// Round-to-nearest-even float to IEEE half; the values here are small and finite.
std::uint16_t toHalf(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const std::uint32_t sign = (bits >> 16) & 0x8000u;
    const int exponent = static_cast<int>((bits >> 23) & 0xffu) - 127 + 15;
    std::uint32_t mantissa = bits & 0x7fffffu;
    if (exponent >= 31) {
        return static_cast<std::uint16_t>(sign | 0x7c00u);
    }
    if (exponent <= 0) {
        if (exponent < -10) {
            return static_cast<std::uint16_t>(sign);
        }
        mantissa |= 0x800000u;
        const int shift = 14 - exponent;
        std::uint32_t half = mantissa >> shift;
        const std::uint32_t rest = mantissa & ((1u << shift) - 1);
        const std::uint32_t midpoint = 1u << (shift - 1);
        if (rest > midpoint || (rest == midpoint && (half & 1u))) {
            ++half;
        }
        return static_cast<std::uint16_t>(sign | half);
    }
    std::uint32_t half = (static_cast<std::uint32_t>(exponent) << 10) | (mantissa >> 13);
    const std::uint32_t rest = mantissa & 0x1fffu;
    if (rest > 0x1000u || (rest == 0x1000u && (half & 1u))) {
        ++half; // may carry into the exponent, which is still correct rounding
    }
    return static_cast<std::uint16_t>(sign | half);
}

// A fast generator: the base- and small-shaped models hold hundreds of millions of values.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(0x9e3779b97f4a7c15ull ^ seed) {}
    // Uniform with standard deviation 0.02.
    float next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        const double unit = static_cast<double>(state_ >> 11) / 9007199254740992.0;
        return static_cast<float>((unit * 2.0 - 1.0) * 0.034641);
    }

private:
    std::uint64_t state_;
};

template <typename T> void put(std::ofstream& out, T value) {
    out.write(reinterpret_cast<const char*>(&value), sizeof value);
}

Fill defaultFill(const std::string& name) {
    const auto endsWith = [&](const char* suffix) {
        const std::size_t length = std::strlen(suffix);
        return name.size() >= length && name.compare(name.size() - length, length, suffix) == 0;
    };
    if (endsWith(".bias")) {
        return Fill::Zero;
    }
    if (endsWith("ln.weight") || endsWith("ln_post.weight")) {
        return Fill::One;
    }
    return Fill::Random;
}

void add(std::vector<TensorSpec>& layout, std::string name, std::vector<std::int32_t> dims,
         bool half) {
    const Fill fill = defaultFill(name);
    layout.push_back({std::move(name), std::move(dims), half, fill});
}

void addBlock(std::vector<TensorSpec>& layout, const std::string& prefix, std::int32_t state,
              bool cross) {
    add(layout, prefix + "mlp_ln.weight", {state}, false);
    add(layout, prefix + "mlp_ln.bias", {state}, false);
    add(layout, prefix + "mlp.0.weight", {state, 4 * state}, true);
    add(layout, prefix + "mlp.0.bias", {4 * state}, false);
    add(layout, prefix + "mlp.2.weight", {4 * state, state}, true);
    add(layout, prefix + "mlp.2.bias", {state}, false);
    for (const char* attention : {"attn", "cross_attn"}) {
        if (std::string(attention) == "cross_attn" && !cross) {
            continue;
        }
        add(layout, prefix + std::string(attention) + "_ln.weight", {state}, false);
        add(layout, prefix + std::string(attention) + "_ln.bias", {state}, false);
        add(layout, prefix + std::string(attention) + ".query.weight", {state, state}, true);
        add(layout, prefix + std::string(attention) + ".query.bias", {state}, false);
        add(layout, prefix + std::string(attention) + ".key.weight", {state, state}, true);
        add(layout, prefix + std::string(attention) + ".value.weight", {state, state}, true);
        add(layout, prefix + std::string(attention) + ".value.bias", {state}, false);
        add(layout, prefix + std::string(attention) + ".out.weight", {state, state}, true);
        add(layout, prefix + std::string(attention) + ".out.bias", {state}, false);
    }
}

} // namespace

std::size_t TensorSpec::elements() const {
    std::size_t count = 1;
    for (const std::int32_t d : dimensions) {
        count *= static_cast<std::size_t>(d);
    }
    return count;
}

std::vector<TensorSpec> tensorLayout(const ModelShape& shape) {
    const std::int32_t s = shape.state;
    std::vector<TensorSpec> layout;
    add(layout, "encoder.positional_embedding", {s, shape.audioContext}, false);
    add(layout, "encoder.conv1.weight", {3, shape.mels, s}, true);
    add(layout, "encoder.conv1.bias", {1, s}, false);
    add(layout, "encoder.conv2.weight", {3, s, s}, true);
    add(layout, "encoder.conv2.bias", {1, s}, false);
    add(layout, "encoder.ln_post.weight", {s}, false);
    add(layout, "encoder.ln_post.bias", {s}, false);
    for (int i = 0; i < shape.audioLayers; ++i) {
        addBlock(layout, "encoder.blocks." + std::to_string(i) + ".", s, false);
    }
    add(layout, "decoder.positional_embedding", {s, shape.textContext}, false);
    add(layout, "decoder.token_embedding.weight", {s, shape.vocabulary}, true);
    add(layout, "decoder.ln.weight", {s}, false);
    add(layout, "decoder.ln.bias", {s}, false);
    for (int i = 0; i < shape.textLayers; ++i) {
        addBlock(layout, "decoder.blocks." + std::to_string(i) + ".", s, true);
    }
    return layout;
}

std::vector<std::string> fillerVocabulary(const std::vector<std::string>& words) {
    std::vector<std::string> vocabulary;
    for (int byte = 0; byte < 256; ++byte) {
        vocabulary.emplace_back(1, static_cast<char>(byte));
    }
    const std::set<std::string> taken(words.begin(), words.end());
    vocabulary.insert(vocabulary.end(), words.begin(), words.end());
    for (int i = 0; static_cast<std::int32_t>(vocabulary.size()) < tokens::kEndOfText; ++i) {
        std::string filler = " w" + std::to_string(i);
        if (taken.count(filler) == 0) {
            vocabulary.push_back(std::move(filler));
        }
    }
    return vocabulary;
}

bool writeModel(const std::string& path, const ModelShape& shape,
                const std::vector<std::string>& vocabulary, std::uint32_t seed,
                const TensorOverride& override) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    put(out, kMagic);
    for (const std::int32_t value : {shape.vocabulary, shape.audioContext, shape.state, shape.heads,
                                     shape.audioLayers, shape.textContext, shape.state, shape.heads,
                                     shape.textLayers, shape.mels, shape.allF32 ? 0 : 1}) {
        put(out, value);
    }
    const std::vector<float> filters = melFilters(shape.mels, kFftBins);
    put(out, shape.mels);
    put(out, kFftBins);
    out.write(reinterpret_cast<const char*>(filters.data()),
              static_cast<std::streamsize>(filters.size() * sizeof(float)));

    put(out, static_cast<std::int32_t>(vocabulary.size()));
    for (const std::string& token : vocabulary) {
        put(out, static_cast<std::uint32_t>(token.size()));
        out.write(token.data(), static_cast<std::streamsize>(token.size()));
    }

    Noise noise(seed);
    std::vector<float> values;
    std::vector<std::uint16_t> halves;
    for (TensorSpec spec : tensorLayout(shape)) {
        spec.half = spec.half && !shape.allF32;
        values.assign(spec.elements(), 0.0f);
        if (!override || !override(spec, values)) {
            for (float& v : values) {
                v = spec.fill == Fill::Random ? noise.next() : spec.fill == Fill::One ? 1.0f : 0.0f;
            }
        }
        put(out, static_cast<std::int32_t>(spec.dimensions.size()));
        put(out, static_cast<std::int32_t>(spec.name.size()));
        put(out, static_cast<std::int32_t>(spec.half ? 1 : 0));
        for (const std::int32_t d : spec.dimensions) {
            put(out, d);
        }
        out.write(spec.name.data(), static_cast<std::streamsize>(spec.name.size()));
        if (spec.half) {
            halves.resize(values.size());
            for (std::size_t i = 0; i < values.size(); ++i) {
                halves[i] = toHalf(values[i]);
            }
            out.write(reinterpret_cast<const char*>(halves.data()),
                      static_cast<std::streamsize>(halves.size() * sizeof(std::uint16_t)));
        } else {
            out.write(reinterpret_cast<const char*>(values.data()),
                      static_cast<std::streamsize>(values.size() * sizeof(float)));
        }
    }
    out.flush();
    return static_cast<bool>(out);
}

} // namespace tavik::testmodel
