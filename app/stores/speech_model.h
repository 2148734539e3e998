#pragma once

#include "app/stores/raw_values.h"

#include <QString>

namespace tavik {

// The two speech models a user can choose; the raw value is the model's file name.
enum class SpeechModel { base, small };

template <> std::span<const SpeechModel> allCases<SpeechModel>();
template <> std::optional<SpeechModel> fromRawValue<SpeechModel>(QStringView raw);

QString rawValue(SpeechModel model); // "ggml-base.en.bin", "ggml-small.en.bin"
QString label(SpeechModel model);    // the settings pane's first line, "Fast — base.en"
QString detail(SpeechModel model);   // its second line, "~46ms · 21.8% WER · 141 MB"

} // namespace tavik
