#include "app/stores/audio_store.h"

#include "app/stores/diagnostic_log.h"
#include "platform/folders.h"
#include "platform/private_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include <dirent.h>
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

// libsndfile writes into memory, so the finished file goes to the disk through the one durable
// write every store uses (unbuffered, synced, counted, renamed, folder synced).
struct MemoryFile {
    QByteArray bytes;
    sf_count_t position = 0;

    static MemoryFile& of(void* data) { return *static_cast<MemoryFile*>(data); }
    static sf_count_t length(void* data) { return of(data).bytes.size(); }
    static sf_count_t seek(sf_count_t offset, int whence, void* data) {
        MemoryFile& file = of(data);
        const sf_count_t base = whence == SEEK_SET   ? 0
                                : whence == SEEK_CUR ? file.position
                                                     : file.bytes.size();
        if (base + offset < 0) {
            return -1;
        }
        file.position = base + offset;
        return file.position;
    }
    static sf_count_t read(void* into, sf_count_t count, void* data) {
        MemoryFile& file = of(data);
        const sf_count_t available =
            std::clamp<sf_count_t>(file.bytes.size() - file.position, 0, count);
        std::memcpy(into, file.bytes.constData() + file.position, size_t(available));
        file.position += available;
        return available;
    }
    static sf_count_t write(const void* from, sf_count_t count, void* data) {
        MemoryFile& file = of(data);
        if (file.position + count > file.bytes.size()) {
            file.bytes.resize(qsizetype(file.position + count));
        }
        std::memcpy(file.bytes.data() + file.position, from, size_t(count));
        file.position += count;
        return count;
    }
    static sf_count_t tell(void* data) { return of(data).position; }
};

std::optional<QByteArray> encodeWave(std::span<const float> samples) {
    SF_INFO format{};
    format.samplerate = sampleRate;
    format.channels = 1;
    format.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SF_VIRTUAL_IO io{&MemoryFile::length, &MemoryFile::seek, &MemoryFile::read, &MemoryFile::write,
                     &MemoryFile::tell};
    MemoryFile memory;
    memory.bytes.reserve(qsizetype(44 + 2 * samples.size()));
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &format, &memory);
    if (file == nullptr) {
        return std::nullopt;
    }
    // Without clipping the converter wraps values beyond full scale into loud noise.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    std::vector<float> clean(samples.begin(), samples.end());
    std::replace_if(
        clean.begin(), clean.end(), [](float v) { return std::isnan(v); }, 0.0f);
    const auto frames = static_cast<sf_count_t>(clean.size());
    const bool written = sf_writef_float(file, clean.data(), frames) == frames;
    if (sf_close(file) != 0 || !written) {
        return std::nullopt;
    }
    return std::move(memory.bytes);
}

} // namespace

AudioStore::AudioStore(QString dataFolder)
    : folder_(platform::joinPath(dataFolder, QStringLiteral("audio"))) {
    if (isTavikArchive() && QFileInfo(folder_).isDir()) {
        platform::removeLeftoverTemporaries(folder_, QStringLiteral("*.wav"));
    }
}

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

platform::FileWriteResult AudioStore::save(std::span<const float> samples, const QUuid& id) const {
    if (samples.empty() || !isTavikArchive()) {
        return platform::FileWriteResult::failed(EINVAL);
    }
    const std::optional<QByteArray> wave = encodeWave(samples);
    if (!wave) {
        return platform::FileWriteResult::failed(EINVAL);
    }
    // Written beside the target and renamed over it, so a failed save leaves no half file
    // that the history would offer to play.
    return platform::replaceFileUnsynced(url(id), *wave);
}

void AudioStore::makeDurable(const QUuid& id) const {
    if (isTavikArchive()) {
        platform::syncLater(url(id));
    }
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
