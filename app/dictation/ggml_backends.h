#pragma once

#include <QString>

#include <optional>

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

// A compute device as ggml names it: the backend that drives it ("Vulkan"), the device's own
// name ("Vulkan0") and what it is ("AMD Radeon RX 6600 (RADV NAVI23)").
struct ComputeDevice {
    QString backend;
    QString name;
    QString description;
};

// The device whisper.cpp puts a speech model on when it may use the GPU: the first registered GPU
// or integrated GPU, as whisper.cpp itself picks it. None when recognition runs on the CPU: no
// GPU module loaded, no Vulkan loader, no device, or only software renderers (which ggml's Vulkan
// backend leaves out unless GGML_VK_VISIBLE_DEVICES names them).
std::optional<ComputeDevice> recognitionGpu();

// The application's own "ggml-backends" folder: lib/tavik/ggml-backends under the install
// prefix, or the folder the build put the modules in when run from a build tree. Empty when
// neither exists.
QString bundledFolder();

} // namespace tavik::GGMLBackends
