#pragma once

#include <QString>

// The ggml compute backends are loadable modules (libggml-cpu-<variant>.so). They must be
// registered once per process before any whisper.cpp context, speech or voice activity, is made.
namespace tavik::GGMLBackends {

// Loads the backend modules once per process; later calls return at once, a failed load is not
// retried. Safe to call from several threads; a second caller waits for the first to finish.
// Search order: $GGML_BACKEND_DIR when set (even empty), else the application's
// "ggml-backends" folder, else the fixed folders and ggml's own search.
void ensureLoaded();

// Whether a CPU device is registered. whisper.cpp aborts the process when a context is created
// without one, so callers check this before creating any context.
bool cpuAvailable();

// The application's own "ggml-backends" folder: lib/tavik/ggml-backends under the install
// prefix, or the folder the build put the modules in when run from a build tree. Empty when
// neither exists.
QString bundledFolder();

} // namespace tavik::GGMLBackends
