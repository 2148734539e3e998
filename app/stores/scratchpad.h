#pragma once

#include "app/stores/latest_wins_writer.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

namespace tavik {

// The scratchpad: one free-form text kept in <data folder>/scratchpad.txt (UTF-8, nothing
// else). The file is read once, at creation; afterwards every change rewrites it durably in the
// background, and the file always ends up with the newest text. A file that cannot be read as
// UTF-8 starts an empty pad and is moved aside, never overwritten. A failed write keeps the text
// in memory until a later change or retrySave() writes it. Used on the main thread.
class Scratchpad : public QObject {
    Q_OBJECT

public:
    // `dataFolder` is Tavik's own data folder ($XDG_DATA_HOME/Tavik).
    explicit Scratchpad(const QString& dataFolder, QObject* parent = nullptr);
    ~Scratchpad() override;

    static Scratchpad& shared();
    // The shared scratchpad, or null when nothing has used it yet.
    static Scratchpad* sharedIfMade();

    const QString& text() const { return text_; }
    // Every assignment saves, even of the same text.
    void setText(const QString& text);

    // Replaces `removed` characters at `position` with `inserted`. The text is changed where it
    // lies, so a keystroke in a long pad neither copies nor re-encodes more than it must. Saves
    // like every change.
    void replace(qsizetype position, qsizetype removed, QStringView inserted);

    // Adds a dictated piece: nothing for an empty piece; the piece alone on an empty pad;
    // otherwise after the text, with one space between unless the text ends in white space.
    void append(const QString& piece);

    const QString& url() const { return url_; }

    // Waits for the newest text to be written; called at shutdown. True only when it is on
    // disk: false when the time ran out or its write failed (saveFailure() then says why).
    bool flush(std::chrono::milliseconds timeout);

    // Why the newest text is not on disk; empty while it is saved or still being written.
    QString saveFailure() const;
    // Writes the newest text again when its write failed; nothing otherwise.
    void retrySave();

signals:
    // Every change as what it did: the characters taken out at `position` and how many went in
    // there (an assignment takes out the whole old text). Sent just before textChanged.
    void textEdited(qsizetype position, const QString& removed, qsizetype inserted);
    void textChanged(const QString& text);
    // After every write of the file, on the main thread.
    void saveFinished();

private:
    void changed(qsizetype position, const QString& removed, qsizetype inserted);
    void save();

    QString url_;
    QString text_;
    bool writing_ = false; // a save is with the writer and has not told how it went
    bool unsaved_ = false; // changed since the last save was handed to the writer
    bool saveQueued_ = false;
    std::unique_ptr<LatestWinsWriter> writer_;
};

} // namespace tavik
