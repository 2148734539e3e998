#include "app/stores/speech_model.h"

#include <array>

namespace tavik {
namespace {

constexpr std::array<SpeechModel, 2> allModels{SpeechModel::base, SpeechModel::small};

} // namespace

template <> std::span<const SpeechModel> allCases<SpeechModel>() {
    return allModels;
}

template <> std::optional<SpeechModel> fromRawValue<SpeechModel>(QStringView raw) {
    for (const SpeechModel model : allModels) {
        if (raw == rawValue(model)) {
            return model;
        }
    }
    return std::nullopt;
}

QString rawValue(SpeechModel model) {
    return model == SpeechModel::base ? QStringLiteral("ggml-base.en.bin")
                                      : QStringLiteral("ggml-small.en.bin");
}

QString label(SpeechModel model) {
    return model == SpeechModel::base ? QStringLiteral(u"Fast \u2014 base.en")
                                      : QStringLiteral(u"Accurate \u2014 small.en");
}

QString detail(SpeechModel model) {
    return model == SpeechModel::base ? QStringLiteral(u"~46ms \u00b7 21.8% WER \u00b7 141 MB")
                                      : QStringLiteral(u"~94ms \u00b7 22.1% WER \u00b7 465 MB");
}

} // namespace tavik
