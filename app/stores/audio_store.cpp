#include "app/stores/audio_store.h"

#include "app/stores/diagnostic_log.h"
#include "app/stores/uuid_text.h"
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
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavik {
namespace {

constexpr int sampleRate = 16000;
constexpr qint64 bytesPerMegabyte = 1'000'000;

// The names the archive writes: the canonical upper-case id and ".wav". Nothing else in the
// folder is the archive's, since the folder may be a link to one the person also keeps other
// files in.
const QString recordingPattern = [] {
    const auto any = [](int count) {
        return QString(count, QLatin1Char('?'));
    };
    return any(8) + '-' + any(4) + '-' + any(4) + '-' + any(4) + '-' + any(12) + ".wav";
}();

bool isRecordingName(const QByteArray& name) {
    constexpr qsizetype idLength = 36;
    if (name.size() != idLength + 4 || !name.endsWith(".wav")) {
        return false;
    }
    const QString id = QString::fromLatin1(name.left(idLength));
    const std::optional<QUuid> parsed = parseUuidText(id);
    return parsed && uuidText(*parsed) == id;
}

struct ArchivedFile {
    QByteArray name;
    qint64 modifiedNs = 0;
    qint64 size = 0;
};

// The folder held open, so that every name is looked up and removed inside the folder that was
// listed, never through a path that could meanwhile lead elsewhere.
class OpenFolder {
public:
    explicit OpenFolder(const QString& folder)
        : fd_(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
    ~OpenFolder() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    // The archive's own recordings directly in the folder (regular files only, never through a
    // link), in name order; nullopt when it cannot be listed.
    std::optional<std::vector<ArchivedFile>> recordings() const {
        const int listing = fd_ < 0 ? -1 : ::dup(fd_);
        DIR* dir = listing < 0 ? nullptr : ::fdopendir(listing);
        if (dir == nullptr) {
            if (listing >= 0) {
                ::close(listing);
            }
            return std::nullopt;
        }
        std::vector<ArchivedFile> files;
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            struct stat info {};
            if (!isRecordingName(name) ||
                ::fstatat(fd_, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISREG(info.st_mode)) {
                continue;
            }
            files.push_back(
                {name,
                 static_cast<qint64>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
                 static_cast<qint64>(info.st_size)});
        }
        ::closedir(dir);
        std::sort(files.begin(), files.end(),
                  [](const ArchivedFile& a, const ArchivedFile& b) { return a.name < b.name; });
        return files;
    }

    // A failed removal is ignored: the file stays.
    void remove(const ArchivedFile& file) const { ::unlinkat(fd_, file.name.constData(), 0); }

private:
    int fd_;
};

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
        platform::removeLeftoverTemporaries(folder_, recordingPattern);
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
    const auto files = OpenFolder(directory()).recordings();
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
    const OpenFolder folder(directory());
    auto files = folder.recordings();
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
            folder.remove(file);
        }
    }
}

void AudioStore::deleteAll() const {
    if (!isTavikArchive()) {
        slog("audio: not emptying the archive — " + folder_ + " is not a Tavik audio folder");
        return;
    }
    const OpenFolder folder(folder_);
    for (const ArchivedFile& file : folder.recordings().value_or(std::vector<ArchivedFile>{})) {
        folder.remove(file);
    }
    // The folder goes too when nothing else is in it; a linked folder stays where the person
    // put it, and so does the link.
    ::rmdir(QFile::encodeName(folder_).constData());
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
