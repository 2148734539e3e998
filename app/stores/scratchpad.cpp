#include "app/stores/scratchpad.h"

#include "app/stores/diagnostic_log.h"
#include "platform/folders.h"
#include "platform/main_thread.h"
#include "platform/private_files.h"

#include <QFile>
#include <QStringDecoder>
#include <QTextBoundaryFinder>
#include <QTimer>

#include <unicode/uchar.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <utility>

namespace tavik {
namespace {

std::atomic<Scratchpad*> sharedPad{nullptr};

// Makes sure `text` has room for `grow` more characters at its start (or its end) without moving.
// When it has not, it is copied once into memory with room at both ends: left to itself, Qt
// makes room at one end by moving the whole text into the room at the other, so typing at the
// start of a long pad, then at its end, would copy megabytes at the first key after each jump.
void makeRoom(QString& text, qsizetype grow, bool atStart) {
    QString::DataPointer& data = text.data_ptr();
    if (grow <= 0 ||
        (!data.isShared() && (atStart ? data.freeSpaceAtBegin() : data.freeSpaceAtEnd()) >= grow)) {
        return;
    }
    const qsizetype room = grow + 4096 + text.size() / 16;
    QString roomy(room + text.size() + room, Qt::Uninitialized);
    std::copy(text.cbegin(), text.cend(), roomy.begin() + room);
    roomy.remove(0, room); // at the start, only where the text begins moves
    roomy.truncate(text.size());
    text = std::move(roomy);
}

enum class Loaded { missing, text, unreadable };

Loaded load(const QString& path, QString& text) {
    // Far beyond what anyone writes in a pad; /dev/zero or a runaway file in its place is not.
    constexpr qint64 maxFileBytes = qint64(512) * 1024 * 1024;
    const platform::FileRead read = platform::readRegularFile(path, maxFileBytes);
    if (read.outcome == platform::FileRead::Outcome::missing) {
        return Loaded::missing;
    }
    if (read.unreadable()) {
        slog("scratchpad: " + path + " cannot be read — " + read.problem);
        return Loaded::unreadable;
    }
    // Stateless: a file that ends inside a character is an error, not a character held back
    // for bytes that will never come (the whole file is one call).
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom |
                                                     QStringDecoder::Flag::Stateless);
    QString decoded = decoder.decode(read.bytes);
    if (decoder.hasError()) {
        return Loaded::unreadable;
    }
    text = std::move(decoded);
    return Loaded::text;
}

// Whether the last user-perceived character is white space (spaces, tabs, line breaks, and
// the other White_Space characters such as the no-break space).
bool endsInWhiteSpace(const QString& text) {
    // Only the end matters: finding boundaries over a long pad would cost each dictation time in
    // proportion to everything said before. No real cluster is anywhere near this long.
    constexpr qsizetype window = 1024;
    const QString tail = text.size() > window ? text.last(window) : text;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, tail);
    graphemes.toEnd();
    const qsizetype start = graphemes.toPreviousBoundary();
    if (start < 0) {
        return false;
    }
    const char32_t first = QStringView(tail).mid(start).toUcs4().value(0);
    return u_hasBinaryProperty(static_cast<UChar32>(first), UCHAR_WHITE_SPACE);
}

} // namespace

Scratchpad::Scratchpad(const QString& dataFolder, QObject* parent)
    : QObject(parent), url_(platform::joinPath(dataFolder, QStringLiteral("scratchpad.txt"))) {
    platform::ensurePrivateFolder(dataFolder);
    platform::removeLeftoverTemporaries(url_);
    const bool unreadable = load(url_, text_) == Loaded::unreadable;
    // Room at both ends now, at start-up, rather than at the person's first key at the start or
    // the end of a long pad.
    if (!text_.isEmpty()) {
        makeRoom(text_, 1, true);
    }
    writer_ = std::make_unique<LatestWinsWriter>(url_, "tavik.scratchpad",
                                                 LatestWinsWriter::movingAside(unreadable, url_),
                                                 [this](const platform::FileWriteResult&) {
                                                     platform::postToMain(this, [this] {
                                                         writing_ = false;
                                                         if (unsaved_) {
                                                             save();
                                                         }
                                                         emit saveFinished();
                                                     });
                                                 });
}

Scratchpad::~Scratchpad() {
    if (unsaved_) {
        save(); // the writer finishes it before it goes
    }
}

Scratchpad& Scratchpad::shared() {
    static Scratchpad* const pad = [] {
        auto* created = new Scratchpad(platform::Folders::fromEnvironment().data);
        if (QCoreApplication::instance() != nullptr && !platform::isMainThread()) {
            created->moveToThread(QCoreApplication::instance()->thread());
        }
        sharedPad.store(created);
        return created;
    }();
    return *pad;
}

Scratchpad* Scratchpad::sharedIfMade() {
    return sharedPad.load();
}

void Scratchpad::setText(const QString& text) {
    QString old = std::exchange(text_, text);
    changed(0, old, text_.size());
}

void Scratchpad::replace(qsizetype position, qsizetype removed, QStringView inserted) {
    position = std::clamp<qsizetype>(position, 0, text_.size());
    removed = std::clamp<qsizetype>(removed, 0, text_.size() - position);
    QString taken;
    if (position == 0 && removed == text_.size()) {
        taken = std::exchange(text_, inserted.toString());
    } else {
        taken = text_.mid(position, removed);
        if (position < text_.size() - position - removed) {
            // Nearer the start: the few characters before the change move, not the many after
            // it. They are turned to bring the change to the very start, where the text can
            // lose and gain characters without moving the rest.
            makeRoom(text_, inserted.size() - removed, true);
            std::rotate(text_.data(), text_.data() + position, text_.data() + position + removed);
            text_.remove(0, removed);
            text_.insert(0, inserted.data(), inserted.size());
            QChar* start = text_.data();
            std::rotate(start, start + inserted.size(), start + inserted.size() + position);
        } else {
            makeRoom(text_, inserted.size() - removed, false);
            text_.remove(position, removed);
            text_.insert(position, inserted.data(), inserted.size());
        }
    }
    changed(position, taken, inserted.size());
}

void Scratchpad::append(const QString& piece) {
    if (piece.isEmpty()) {
        return;
    }
    const qsizetype end = text_.size();
    if (!text_.isEmpty() && !endsInWhiteSpace(text_)) {
        text_ += QLatin1Char(' ');
    }
    text_ += piece;
    changed(end, QString(), text_.size() - end);
}

void Scratchpad::changed(qsizetype position, const QString& removed, qsizetype inserted) {
    emit textEdited(position, removed, inserted);
    emit textChanged(text_);
    // One save at a time: changes made while one is written are saved together after it, so
    // the writer never holds more than one copy of the text and the file still ends newest.
    unsaved_ = true;
    if (writing_ || saveQueued_) {
        return;
    }
    // Saved once the event loop is back: the changes of one event are saved together, and
    // the text stays the pad's alone while they are made.
    saveQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        saveQueued_ = false;
        if (unsaved_ && !writing_) {
            save();
        }
    });
}

void Scratchpad::save() {
    unsaved_ = false;
    writing_ = true;
    // The text is shared with the writer, not copied, and encoded there: a pad of megabytes
    // costs a keystroke nothing. The writer lets go of it as soon as it is encoded (keeping the
    // bytes for a retry), so the next keystroke changes the text where it lies instead of
    // copying it first.
    writer_->write([text = text_, bytes = std::optional<QByteArray>()]() mutable {
        if (!bytes) {
            bytes = text.toUtf8(); // a lone surrogate becomes a question mark, as it always did
            text = QString();
        }
        return *bytes;
    });
}

bool Scratchpad::flush(std::chrono::milliseconds timeout) {
    if (unsaved_) {
        save();
    }
    return writer_->flush(timeout) == LatestWinsWriter::Flushed::saved;
}

QString Scratchpad::saveFailure() const {
    return writer_->failure();
}

void Scratchpad::retrySave() {
    writer_->retry();
}

} // namespace tavik
