#pragma once

#include "tools/test-model/model_shape.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavik::testmodel {

enum class Fill { Random, One, Zero };

// One tensor as whisper.cpp's loader expects it: name, dimensions in ggml order (fastest
// first), stored as F16 (the big matrices and the convolution kernels) or F32.
struct TensorSpec {
    std::string name;
    std::vector<std::int32_t> dimensions;
    bool half = false;
    Fill fill = Fill::Random;

    std::size_t elements() const;
};

// Every tensor of a model of this shape, in the order the writer emits them.
std::vector<TensorSpec> tensorLayout(const ModelShape& shape);

// Lets a caller set a tensor's values itself; returns false to leave the default fill.
using TensorOverride = std::function<bool(const TensorSpec& spec, std::vector<float>& values)>;

// Writes a complete model file. Random values are small (standard deviation 0.02), layer-norm
// gains are 1 and biases 0, so the model computes something finite. Returns false on an I/O
// error.
bool writeModel(const std::string& path, const ModelShape& shape,
                const std::vector<std::string>& vocabulary, std::uint32_t seed,
                const TensorOverride& override = nullptr);

// The default vocabulary: the 256 single bytes (so any prompt can be tokenised), then the given
// words, then filler tokens " w<i>" up to the end-of-text id.
std::vector<std::string> fillerVocabulary(const std::vector<std::string>& words);

} // namespace tavik::testmodel
