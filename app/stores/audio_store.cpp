#include "app/stores/audio_store.h"

#include "app/stores/diagnostic_log.h"
#include "platform/folders.h"
#include "platform/private_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavik {
namespace {

constexpr int sampleRate = 16000;
constexpr qint64 bytesPerMegabyte = 1'000'000;

struct ArchivedFile {
    QByteArray path;
    qint64 modifiedNs = 0;
    qint64 size = 0;
};

// The regular files directly in the folder, in name order; nullopt when it cannot be listed.
std::optional<std::vector<ArchivedFile>> listFiles(const QString& folder) {
    const QByteArray native = QFile::encodeName(folder);
    DIR* dir = ::opendir(native.constData());
    if (dir == nullptr) {
        return std::nullopt;
    }
    std::vector<ArchivedFile> files;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        const QByteArray path = native + '/' + name;
        struct stat info {};
        if (::lstat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
            continue;
        }
        files.push_back(
            {path, static_cast<qint64>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
             static_cast<qint64>(info.st_size)});
    }
    ::closedir(dir);
    std::sort(files.begin(), files.end(),
              [](const ArchivedFile& a, const ArchivedFile& b) { return a.path < b.path; });
    return files;
}

struct SoundFile {
    SNDFILE* handle = nullptr;
    explicit SoundFile(SNDFILE* file) : handle(file) {}
    SoundFile(const SoundFile&) = delete;
    SoundFile& operator=(const SoundFile&) = delete;
    ~SoundFile() {
        if (handle != nullptr) {
            sf_close(handle);
        }
    }
    bool close() {
        const int status = sf_close(handle);
        handle = nullptr;
        return status == 0;
    }
};

bool writeWave(int fd, std::span<const float> samples) {
    SF_INFO format{};
    format.samplerate = sampleRate;
    format.channels = 1;
    format.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SoundFile file(sf_open_fd(fd, SFM_WRITE, &format, SF_FALSE));
    if (file.handle == nullptr) {
        return false;
    }
    // Without clipping the converter wraps values beyond full scale into loud noise.
    sf_command(file.handle, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    std::vector<float> clean(samples.begin(), samples.end());
    std::replace_if(
        clean.begin(), clean.end(), [](float v) { return std::isnan(v); }, 0.0f);
    const auto frames = static_cast<sf_count_t>(clean.size());
    const bool written = sf_writef_float(file.handle, clean.data(), frames) == frames;
    return file.close() && written;
}

} // namespace

AudioStore::AudioStore(QString dataFolder)
    : folder_(platform::joinPath(dataFolder, QStringLiteral("audio"))) {}

AudioStore& AudioStore::shared() {
    static AudioStore store(platform::Folders::fromEnvironment().data);
    return store;
}

QString AudioStore::directory() const {
    if (isTavikArchive()) {
        platform::ensurePrivateFolder(folder_);
    }
    return folder_;
}

QString AudioStore::url(const QUuid& id) const {
    return platform::joinPath(directory(),
                              id.toString(QUuid::WithoutBraces).toUpper() + QStringLiteral(".wav"));
}

bool AudioStore::exists(const QUuid& id) const {
    return QFileInfo::exists(url(id));
}

bool AudioStore::save(std::span<const float> samples, const QUuid& id) const {
    if (samples.empty() || !isTavikArchive()) {
        return false;
    }
    const QByteArray target = QFile::encodeName(url(id));
    // Written beside the target and renamed over it, so a failed save leaves no half file
    // that the history would offer to play.
    QByteArray temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data()); // mode 0600
    if (fd < 0) {
        return false;
    }
    const bool written = writeWave(fd, samples);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

qint64 AudioStore::totalBytes() const {
    const auto files = listFiles(directory());
    qint64 total = 0;
    for (const ArchivedFile& file : files.value_or(std::vector<ArchivedFile>{})) {
        total += file.size;
    }
    return total;
}

void AudioStore::prune(qint64 limitBytes) const {
    if (!isTavikArchive()) {
        return;
    }
    auto files = listFiles(directory());
    if (!files) {
        return;
    }
    std::stable_sort(
        files->begin(), files->end(),
        [](const ArchivedFile& a, const ArchivedFile& b) { return a.modifiedNs > b.modifiedNs; });
    qint64 runningTotal = 0;
    for (const ArchivedFile& file : *files) {
        // Sizes of deleted files still count: once over the limit, everything older goes too.
        runningTotal += file.size;
        if (runningTotal > limitBytes) {
            ::unlink(file.path.constData());
        }
    }
}

void AudioStore::deleteAll() const {
    if (!isTavikArchive()) {
        slog("audio: not emptying the archive — " + folder_ + " is not a Tavik audio folder");
        return;
    }
    QDir(folder_).removeRecursively();
}

bool AudioStore::isTavikArchive() const {
    const QString clean = QDir::cleanPath(folder_);
    return QDir::isAbsolutePath(clean) && clean.endsWith(QLatin1String("/Tavik/audio"));
}

qint64 AudioStore::budgetBytes(qint64 megabytes) {
    if (megabytes <= 0) {
        return 0;
    }
    constexpr qint64 largest = std::numeric_limits<qint64>::max();
    if (megabytes > largest / bytesPerMegabyte) {
        return largest;
    }
    return megabytes * bytesPerMegabyte;
}

} // namespace tavik
