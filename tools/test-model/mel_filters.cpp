#include "tools/test-model/model_shape.h"

#include <algorithm>
#include <cmath>

namespace tavik::testmodel {
namespace {

// The Slaney mel scale: linear below 1 kHz, logarithmic above.
constexpr double kLinearStep = 200.0 / 3.0;
constexpr double kLogStartHz = 1000.0;
constexpr double kLogStartMel = kLogStartHz / kLinearStep;
const double kLogStep = std::log(6.4) / 27.0;

double hzToMel(double hz) {
    return hz < kLogStartHz ? hz / kLinearStep
                            : kLogStartMel + std::log(hz / kLogStartHz) / kLogStep;
}

double melToHz(double mel) {
    return mel < kLogStartMel ? mel * kLinearStep
                              : kLogStartHz * std::exp(kLogStep * (mel - kLogStartMel));
}

} // namespace

std::vector<float> melFilters(int mels, int fftBins) {
    constexpr double kSampleRate = 16000.0;
    const double nyquist = kSampleRate / 2.0;
    std::vector<double> edges(static_cast<size_t>(mels) + 2);
    const double top = hzToMel(nyquist);
    for (size_t i = 0; i < edges.size(); ++i) {
        edges[i] = melToHz(top * static_cast<double>(i) / static_cast<double>(mels + 1));
    }
    std::vector<float> filters(static_cast<size_t>(mels) * static_cast<size_t>(fftBins), 0.0f);
    for (int band = 0; band < mels; ++band) {
        const double lower = edges[static_cast<size_t>(band)];
        const double centre = edges[static_cast<size_t>(band) + 1];
        const double upper = edges[static_cast<size_t>(band) + 2];
        const double area = 2.0 / (upper - lower);
        for (int bin = 0; bin < fftBins; ++bin) {
            const double hz = nyquist * bin / (fftBins - 1);
            const double rising = (hz - lower) / (centre - lower);
            const double falling = (upper - hz) / (upper - centre);
            const double weight = std::max(0.0, std::min(rising, falling));
            filters[static_cast<size_t>(band) * static_cast<size_t>(fftBins) +
                    static_cast<size_t>(bin)] = static_cast<float>(weight * area);
        }
    }
    return filters;
}

} // namespace tavik::testmodel
