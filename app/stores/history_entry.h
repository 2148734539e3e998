#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

namespace tavik {

// One delivered dictation. An entry is never changed once made: the history hands entries out
// only as const values. Fields are in the order of the history file.
struct HistoryEntry {
    QUuid id;               // also names the dictation's archived audio
    QString text;           // the text that was delivered
    QString app;            // display name of the receiving application, or "Scratchpad"
    QString bundleId;       // that application's identifier
    QString via;            // the winning mechanism, "scratchpad" or "clipboard"
    QDateTime at;           // when the text was delivered
    double duration = 0.0;  // seconds of captured audio
    double latencyMs = 0.0; // from the start of recording to delivery
    bool inserted = false;  // false when the text only reached the clipboard

    // Words of `text`: runs of user-perceived characters that are not white space.
    int wordCount() const;

    // Words per minute, only for at least 1.0 s of audio and at least 3 words.
    std::optional<double> wordsPerMinute() const;
    // The same for a text of `words` words (its wordCount(), counted once elsewhere).
    std::optional<double> wordsPerMinute(int words) const;

    // All nine fields; dates compare as instants, numbers numerically.
    friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;
};

} // namespace tavik

// Every field relocates by a plain move of its bytes: lets the history prepend to its list of
// thousands without moving each entry one by one.
Q_DECLARE_TYPEINFO(tavik::HistoryEntry, Q_RELOCATABLE_TYPE);
