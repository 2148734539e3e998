#pragma once

// Histories that read like a person's, written where the application keeps its own: for the
// pane tests, the screenshots, the benchmarks and the tavik-history-seed tool. Header only, with
// no test framework, so each of those programs takes it as it is.
#include "app/stores/history.h"
#include "app/stores/history_entry.h"
#include "app/stores/history_file.h"
#include "platform/folders.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QSaveFile>
#include <QStringList>

namespace tavik::seed {

inline HistoryEntry dictation(const QString& text, const QDateTime& at, const QString& app = "Mail",
                              bool inserted = true, double latencyMs = 412.9,
                              const QString& via = "paste") {
    return HistoryEntry{QUuid::createUuid(),
                        text,
                        app,
                        "org.example." + app.toLower(),
                        inserted ? via : QStringLiteral("clipboard"),
                        at,
                        4.0,
                        latencyMs,
                        inserted};
}

// Writes the history file the application reads ($XDG_DATA_HOME/Tavik/history.json, or under
// ~/.local/share without the variable) before anything reads it: the folder 0700, the file 0600
// and replaced whole, as the history store itself writes it.
inline bool writeHistoryFile(const QList<HistoryEntry>& newestFirst) {
    const QString folder = platform::Folders::fromEnvironment().data;
    if (!QDir().mkpath(folder) ||
        !QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        return false;
    }
    QSaveFile file(platform::joinPath(folder, "history.json"));
    return file.open(QIODevice::WriteOnly) &&
           file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) &&
           file.write(history_file::encode(newestFirst)) > 0 && file.commit();
}

// `count` entries, newest first, 37 minutes apart from `newest` backwards: a few dozen a day
// across many days, the phrases a person might say, five applications, one in 17 missed.
inline QList<HistoryEntry> manyDictations(int count, const QDateTime& newest) {
    static const QStringList phrases = {
        "please send the quarterly report to the team before friday",
        "remind me to call the dentist tomorrow morning at nine",
        "the deployment went fine but the cache needs a restart",
        "let us meet at the café near the station after lunch",
        "draft a reply thanking them for the detailed feedback and ask whether the numbers "
        "for the second quarter can still be corrected before the board meeting",
    };
    static const QStringList apps = {"Mail", "Editor", "Chat", "Terminal", "Notes"};
    QList<HistoryEntry> entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i) {
        entries.append(dictation(phrases[i % phrases.size()] + " " + QString::number(i),
                                 newest.addSecs(-qint64(i) * 37 * 60), apps[i % apps.size()],
                                 i % 17 != 3, 300 + i % 400));
    }
    return entries;
}

// Words for long dictations in other scripts, a few per language, repeated in a fixed
// pseudo-random order so every run makes the same texts.
inline const QStringList& cyrillicWords() {
    static const QStringList words =
        QString::fromUtf8(
            "завтра встреча отчёт команда проект данные сервер нужно сделать пожалуйста отправить "
            "письмо до пятницы после обеда вопрос бюджет квартал исправить ошибку посмотрите "
            "документ я подготовлю материалы коллеги спасибо за подробный ответ обсудим это на "
            "совещании в десять утра")
            .split(u' ');
    return words;
}

inline const QStringList& mixedScriptWords() {
    static const QStringList words =
        QString::fromUtf8(
            "встреча meeting συνάντηση 会議 회의 отчёт report αναφορά 報告 café naïve Straße "
            "deploy сервер διακομιστής サーバー 👍 👩‍💻 déjà-vu ok, да. ναι! "
            "はい。 "
            "e\xCC\x81"
            "cole "
            "🇩🇪 test-case данные δεδομένα データ")
            .split(u' ');
    return words;
}

// A text of about `length` UTF-16 units drawn from `words`: sentences of 6 to 17 words with
// commas and full stops, the way a long dictation comes back from recognition.
inline QString longText(const QStringList& words, qsizetype length, quint32 seed) {
    QString text;
    text.reserve(length + 64);
    quint32 state = seed * 2654435761u + 1u;
    const auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    while (text.size() < length) {
        const int sentence = 6 + int(next() % 12);
        for (int w = 0; w < sentence && text.size() < length; ++w) {
            QString word = words[qsizetype(next() % quint32(words.size()))];
            if (w == 0 && !word.isEmpty()) {
                word[0] = word[0].toUpper();
            }
            text += word;
            text += (w + 1 == sentence) ? QStringLiteral(". ")
                    : (next() % 9 == 0) ? QStringLiteral(", ")
                                        : QStringLiteral(" ");
        }
    }
    return text.trimmed();
}

// `count` long dictations (about `length` characters each) from `words`, newest first, 37
// minutes apart from `newest` backwards, with the same applications and misses as
// manyDictations.
inline QList<HistoryEntry> manyLongDictations(int count, const QDateTime& newest,
                                              const QStringList& words, qsizetype length = 1500) {
    static const QStringList apps = {"Mail", "Editor", "Chat", "Terminal", "Notes"};
    QList<HistoryEntry> entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i) {
        HistoryEntry entry =
            dictation(longText(words, length, quint32(i)), newest.addSecs(-qint64(i) * 37 * 60),
                      apps[i % apps.size()], i % 17 != 3, 300 + i % 400);
        entry.duration = 40.0 + i % 50;
        entries.append(entry);
    }
    return entries;
}

// The histories the benchmarks and the outside driver run over, by name:
//
//   ascii      5,000 short English dictations
//   cyrillic   5,000 dictations of about 1,500 Cyrillic characters each
//   mixed      the same length in a mix of scripts, emoji sequences and combining marks
//   huge       the cyrillic history with one dictation of about 5 MB as the newest
// Empty for any other name.
inline QList<HistoryEntry> historyOfKind(const QString& kind, const QDateTime& now) {
    const int count = int(History::maxEntries);
    if (kind == "ascii") {
        return manyDictations(count, now);
    }
    if (kind == "cyrillic" || kind == "huge") {
        QList<HistoryEntry> entries = manyLongDictations(count, now, cyrillicWords());
        if (kind == "huge") {
            // About 5 MB once written as UTF-8, the newest, so it is in view when the pane opens.
            entries.first() = dictation(longText(cyrillicWords(), 2'800'000, 7), now, "Editor");
        }
        return entries;
    }
    if (kind == "mixed") {
        return manyLongDictations(count, now, mixedScriptWords());
    }
    return {};
}

// A varied history of a few days: short and long texts, several lines, other scripts, a text
// that only reached the clipboard, and one from last year. Newest first.
inline QList<HistoryEntry> variedHistory(const QDateTime& now) {
    const QDate today = now.date();
    const auto at = [&](int daysAgo, int hour, int minute) {
        return QDateTime(today.addDays(-daysAgo), QTime(hour, minute));
    };
    QList<HistoryEntry> entries = {
        dictation("Sounds good, see you at three.", at(0, 9, 41), "Chat", true, 286, "type"),
        dictation("Draft a reply to Hanna thanking her for the detailed review of the budget, and "
                  "ask whether the figures for the second quarter can still be corrected before "
                  "Thursday's board meeting.",
                  at(0, 9, 12), "Mail", true, 412.9),
        dictation("Shopping list:\nmilk\noat flakes\ncoffee beans", at(0, 8, 55), "Notes", true,
                  344, "accessibility"),
        dictation("git commit -m \"fix the flaky upload test\"", at(0, 8, 20), "Terminal", false,
                  198),
        dictation(QString::fromUtf8("Завтра в десять встреча, я подготовлю материалы."),
                  at(1, 17, 4), "Chat", true, 520),
        dictation(QString::fromUtf8("Καλημέρα σε όλους, τα λέμε στη σύσκεψη."), at(1, 16, 30),
                  "Mail", true, 377),
        dictation("Remind me to call the dentist tomorrow morning.", at(1, 11, 2), "Notes", true,
                  301, "accessibility"),
        dictation("The deployment went fine but the cache needs a restart before lunch.",
                  at(3, 15, 45), "Editor", true, 458),
        dictation("Happy new year to the whole team!",
                  QDateTime(QDate(today.year() - 1, 12, 31), QTime(23, 58)), "Chat", true, 265),
    };
    return entries;
}

// Two weeks of steady dictation, one every 90 minutes, into ten applications (Mail most), one
// in 29 missed. Newest first.
inline QList<HistoryEntry> steadyHistory(const QDateTime& now) {
    static const QStringList apps = {"Mail", "Mail",  "Mail",     "Editor",  "Editor",
                                     "Chat", "Notes", "Terminal", "Browser", "Calendar"};
    QList<HistoryEntry> entries;
    for (int i = 0; i < 240; ++i) {
        HistoryEntry entry =
            dictation("we should move the planning meeting to thursday so everyone can join",
                      now.addSecs(-qint64(i) * 90 * 60), apps[i % apps.size()], i % 29 != 5,
                      280 + (i * 37) % 300);
        entry.duration = 3.4 + (i % 5) * 0.3;
        entries.append(entry);
    }
    return entries;
}

} // namespace tavik::seed
