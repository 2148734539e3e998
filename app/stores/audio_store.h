#pragma once

#include "platform/private_files.h"

#include <QString>
#include <QUuid>

#include <span>

namespace tavik {

// The audio archive: one 16 kHz mono 16-bit WAV file per kept dictation, named by the history
// entry's id, in <data folder>/audio, kept under a byte budget. Everything it knows is on disk.
// Every operation is synchronous and meant for the main thread. Temporary files that a save
// cut short left in the folder are removed when the store is made.
class AudioStore {
public:
    // `dataFolder` is Tavik's own data folder ($XDG_DATA_HOME/Tavik).
    explicit AudioStore(QString dataFolder);

    static AudioStore& shared();

    // The archive folder, created (0700) on every call; a failure to create it is ignored.
    // Every operation below works only in an absolute ".../Tavik/audio" folder.
    QString directory() const;
    // "<directory>/<UPPER-CASE-UUID>.wav"; the file need not exist.
    QString url(const QUuid& id) const;
    bool exists(const QUuid& id) const;

    // Writes the samples (mono, 16 kHz, full scale ±1.0) as 16-bit PCM, replacing any earlier
    // file of that id. Values beyond full scale clip, NaN becomes silence. The file appears only
    // once it is wholly written. Fails for no samples or any failure of the disk (no file is
    // then left behind, and an earlier file of that id stays as it was). The syncs are left to
    // makeDurable: a save sits between a key's release and the text.
    platform::FileWriteResult save(std::span<const float> samples, const QUuid& id) const;
    // Syncs the file of `id` and the folder on a worker thread (platform::syncLater).
    void makeDurable(const QUuid& id) const;

    // The operations below see only the archive's own recordings: regular files directly in the
    // folder, named as `url` names them. Whatever else the folder (or the folder it links to)
    // holds is neither counted nor deleted.

    // The sum of the recordings' sizes; 0 when the folder cannot be listed.
    qint64 totalBytes() const;

    // Keeps the longest run of newest recordings whose sizes add up to at most `limitBytes` and
    // deletes every older one.
    void prune(qint64 limitBytes) const;

    // Deletes every recording, then the folder if nothing else is left in it; it comes back
    // empty on the next access.
    void deleteAll() const;

    // A budget in decimal megabytes as bytes: × 1,000,000, saturating at the largest count of
    // bytes instead of overflowing, and never below 0.
    static qint64 budgetBytes(qint64 megabytes);

private:
    // The store creates, writes and deletes only in an absolute ".../Tavik/audio" folder, so an
    // empty or odd data folder can never make it touch the user's other files.
    bool isTavikArchive() const;

    QString folder_;
};

} // namespace tavik
