#pragma once

#include "app/stores/latest_wins_writer.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

namespace tavik {

// The scratchpad: one free-form text kept in <data folder>/scratchpad.txt (UTF-8, nothing
// else). The file is read once, at creation; afterwards every change rewrites it in the
// background, and the file always ends up with the newest text. A file that cannot be read as
// UTF-8 starts an empty pad and is moved aside before the first save, never overwritten.
// Used on the main thread.
class Scratchpad : public QObject {
    Q_OBJECT

public:
    // `dataFolder` is Tavik's own data folder ($XDG_DATA_HOME/Tavik).
    explicit Scratchpad(const QString& dataFolder, QObject* parent = nullptr);
    ~Scratchpad() override;

    static Scratchpad& shared();

    const QString& text() const { return text_; }
    // Every assignment saves, even of the same text.
    void setText(const QString& text);

    // Adds a dictated piece: nothing for an empty piece; the piece alone on an empty pad;
    // otherwise after the text, with one space between unless the text ends in white space.
    void append(const QString& piece);

    const QString& url() const { return url_; }

    // Waits for the newest text to be on disk; called at shutdown. False when time ran out.
    bool flush(std::chrono::milliseconds timeout);

signals:
    void textChanged(const QString& text);

private:
    QString url_;
    QString text_;
    std::unique_ptr<LatestWinsWriter> writer_;
};

} // namespace tavik
