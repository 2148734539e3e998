#include "app/dictation/ggml_backends.h"

#include "app/stores/diagnostic_log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <ggml-backend.h>
#include <whisper.h>

#include <cstdlib>
#include <mutex>

namespace tavik::GGMLBackends {
namespace {

std::mutex& loadLock() {
    static std::mutex lock;
    return lock;
}

bool loaded = false; // guarded by loadLock()

// whisper.cpp reports several INFO lines for every detector batch and every recognition; only
// its warnings and errors are worth a line in the diagnostic log.
void filterWhisperLog(ggml_log_level level, const char* text, void* /*userData*/) {
    if (text == nullptr || (level != GGML_LOG_LEVEL_WARN && level != GGML_LOG_LEVEL_ERROR)) {
        return;
    }
    const QString line = QString::fromUtf8(text).trimmed();
    if (!line.isEmpty()) {
        slog("whisper: " + line);
    }
}

bool isFolder(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

void loadFrom(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    ggml_backend_load_all_from_path(path.constData());
}

} // namespace

QString bundledFolder() {
    if (QCoreApplication::instance() != nullptr) {
        const QString installed =
            QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../lib/tavik/ggml-backends");
        if (isFolder(installed)) {
            return installed;
        }
    }
#ifdef TAVIK_BUILD_GGML_BACKEND_DIR
    const QString built = QString::fromUtf8(TAVIK_BUILD_GGML_BACKEND_DIR);
    if (isFolder(built)) {
        return built;
    }
#endif
    return QString();
}

void ensureLoaded() {
    std::lock_guard guard(loadLock());
    if (loaded) {
        return;
    }
    loaded = true;
    whisper_log_set(filterWhisperLog, nullptr);

    if (const char* fromEnvironment = std::getenv("GGML_BACKEND_DIR")) {
        ggml_backend_load_all_from_path(fromEnvironment);
        return;
    }
    if (const QString bundled = bundledFolder(); !bundled.isEmpty()) {
        loadFrom(bundled);
        return;
    }
    for (const char* fixed : {"/opt/homebrew/Cellar/ggml/0.18.0/libexec", "/opt/homebrew/lib"}) {
        if (isFolder(QString::fromUtf8(fixed))) {
            ggml_backend_load_all_from_path(fixed);
        }
    }
    ggml_backend_load_all();
}

bool cpuAvailable() {
    return ggml_backend_dev_by_type(GGML_BACKEND_DEVICE_TYPE_CPU) != nullptr;
}

std::optional<ComputeDevice> recognitionGpu() {
    // whisper.cpp takes device number gpu_device (0 by default) among the GPUs and integrated
    // GPUs, in registration order.
    for (size_t i = 0; i < ggml_backend_dev_count(); ++i) {
        ggml_backend_dev_t device = ggml_backend_dev_get(i);
        const enum ggml_backend_dev_type type = ggml_backend_dev_type(device);
        if (type != GGML_BACKEND_DEVICE_TYPE_GPU && type != GGML_BACKEND_DEVICE_TYPE_IGPU) {
            continue;
        }
        return ComputeDevice{
            QString::fromUtf8(ggml_backend_reg_name(ggml_backend_dev_backend_reg(device))),
            QString::fromUtf8(ggml_backend_dev_name(device)),
            QString::fromUtf8(ggml_backend_dev_description(device)),
        };
    }
    return std::nullopt;
}

} // namespace tavik::GGMLBackends
