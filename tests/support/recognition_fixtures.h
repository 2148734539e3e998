#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace tavik::test {

// The test-model generator built beside the test programs (tools/test-model).
QString testModelTool();

// Runs the generator with `arguments` and writes `folder`/`fileName`; empty on failure.
QString generateTestModel(const QString& folder, const QString& fileName,
                          const QStringList& arguments = {});

// The shipped Silero model linked into `folder` under the name the application looks for,
// "ggml-silero.bin"; empty when it cannot be linked there (or the clone lacks the model).
QString sileroModelIn(const QString& folder);

// The application's models in its data folder, as a user installs them: a scripted base.en model
// that hears `phrase` whatever is said, and the voice-activity model. Fails the test when either
// cannot be put there.
void installModelsHearing(const QString& phrase);

// A 16 kHz mono sound file as float samples; empty when it cannot be read or has another rate.
std::vector<float> readSamples(const QString& path);

// Runs a program (espeak-ng, sox) and waits; false when it is missing or fails.
bool runTool(const QString& program, const QStringList& arguments);

} // namespace tavik::test
