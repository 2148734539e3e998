#pragma once

#include <QString>

namespace tavik {

// Walks a whisper model file's structure (header, mel filters, vocabulary, every tensor's
// header and data) without loading it. whisper.cpp itself accepts a file cut short in the
// tensors, or one with no tensors at all, and then runs on whatever memory it got; and a model
// stored entirely in F32 passes its loader but aborts the process on the first recognition.
// Returns an empty string for a complete, usable file, else why it is not.
QString whisperModelProblem(const QString& path);

// The same walk for a voice-activity model (Silero in ggml form). whisper.cpp aborts the process
// on a file cut short in its tensors. The detector also needs the model's window to be 512
// samples.
QString vadModelProblem(const QString& path);

} // namespace tavik
