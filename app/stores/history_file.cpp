#include "app/stores/history_file.h"

#include "app/stores/uuid_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QTimeZone>

#include <cmath>

namespace tavik::history_file {
namespace {

double finiteOrZero(double value) {
    return std::isfinite(value) ? value : 0.0;
}

QJsonObject encodeEntry(const HistoryEntry& entry) {
    QJsonObject object;
    object.insert(QStringLiteral("id"), uuidText(entry.id));
    object.insert(QStringLiteral("text"), entry.text);
    object.insert(QStringLiteral("app"), entry.app);
    object.insert(QStringLiteral("bundleId"), entry.bundleId);
    object.insert(QStringLiteral("via"), entry.via);
    object.insert(QStringLiteral("at"), formatInstant(entry.at));
    object.insert(QStringLiteral("duration"), finiteOrZero(entry.duration));
    object.insert(QStringLiteral("latencyMs"), finiteOrZero(entry.latencyMs));
    object.insert(QStringLiteral("inserted"), entry.inserted);
    return object;
}

std::optional<HistoryEntry> decodeEntry(const QJsonValue& value) {
    if (!value.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    const QJsonValue id = object.value(QStringLiteral("id"));
    const QJsonValue text = object.value(QStringLiteral("text"));
    const QJsonValue app = object.value(QStringLiteral("app"));
    const QJsonValue bundleId = object.value(QStringLiteral("bundleId"));
    const QJsonValue via = object.value(QStringLiteral("via"));
    const QJsonValue at = object.value(QStringLiteral("at"));
    const QJsonValue duration = object.value(QStringLiteral("duration"));
    const QJsonValue latencyMs = object.value(QStringLiteral("latencyMs"));
    const QJsonValue inserted = object.value(QStringLiteral("inserted"));
    if (!id.isString() || !text.isString() || !app.isString() || !bundleId.isString() ||
        !via.isString() || !at.isString() || !duration.isDouble() || !latencyMs.isDouble() ||
        !inserted.isBool()) {
        return std::nullopt;
    }
    const std::optional<QUuid> uuid = parseUuidText(id.toString());
    const std::optional<QDateTime> instant = parseInstant(at.toString());
    if (!uuid || !instant) {
        return std::nullopt;
    }
    return HistoryEntry{
        *uuid,    text.toString(),     app.toString(),       bundleId.toString(), via.toString(),
        *instant, duration.toDouble(), latencyMs.toDouble(), inserted.toBool()};
}

// Reads `count` decimal digits at `at`; -1 when any is missing.
int digits(const QString& text, qsizetype at, int count) {
    if (at + count > text.size()) {
        return -1;
    }
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = text[at + i].unicode();
        if (c < u'0' || c > u'9') {
            return -1;
        }
        value = value * 10 + (c - u'0');
    }
    return value;
}

bool charIs(const QString& text, qsizetype at, char16_t expected) {
    return at < text.size() && text[at].unicode() == expected;
}

} // namespace

QByteArray encode(const QList<HistoryEntry>& entries) {
    QJsonArray array;
    for (const HistoryEntry& entry : entries) {
        array.append(encodeEntry(entry));
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

std::optional<QList<HistoryEntry>> decode(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return std::nullopt;
    }
    const QJsonArray array = document.array();
    QList<HistoryEntry> entries;
    entries.reserve(array.size());
    for (const QJsonValue& value : array) {
        std::optional<HistoryEntry> entry = decodeEntry(value);
        if (!entry) {
            return std::nullopt;
        }
        entries.append(std::move(*entry));
    }
    return entries;
}

QString formatInstant(const QDateTime& at) {
    QDateTime utc = at.toUTC();
    if (!utc.isValid() || utc.date().year() < 1 || utc.date().year() > 9999) {
        utc = QDateTime::fromSecsSinceEpoch(0, QTimeZone::utc());
    }
    return utc.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

std::optional<QDateTime> parseInstant(const QString& text) {
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2);
    const int minute = digits(text, 14, 2);
    const int second = digits(text, 17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0 ||
        !charIs(text, 4, u'-') || !charIs(text, 7, u'-') ||
        !(charIs(text, 10, u'T') || charIs(text, 10, u't')) || !charIs(text, 13, u':') ||
        !charIs(text, 16, u':')) {
        return std::nullopt;
    }
    qsizetype at = 19;
    int milliseconds = 0;
    if (charIs(text, at, u'.')) {
        ++at;
        const qsizetype fractionStart = at;
        int scale = 100;
        while (at < text.size() && text[at].isDigit() && text[at].unicode() < 0x80) {
            milliseconds += scale * (text[at].unicode() - u'0');
            scale /= 10;
            ++at;
        }
        if (at == fractionStart) {
            return std::nullopt;
        }
    }
    int offsetSeconds = 0;
    if (charIs(text, at, u'Z') || charIs(text, at, u'z')) {
        ++at;
    } else if (charIs(text, at, u'+') || charIs(text, at, u'-')) {
        const int sign = charIs(text, at, u'-') ? -1 : 1;
        const int offsetHours = digits(text, at + 1, 2);
        const int offsetMinutes = digits(text, at + 4, 2);
        if (offsetHours < 0 || offsetMinutes < 0 || !charIs(text, at + 3, u':') ||
            offsetHours > 23 || offsetMinutes > 59) {
            return std::nullopt;
        }
        offsetSeconds = sign * (offsetHours * 3600 + offsetMinutes * 60);
        at += 6;
    } else {
        return std::nullopt; // an instant needs its zone
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute, second, milliseconds);
    if (at != text.size() || !date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    return QDateTime(date, time, QTimeZone::utc()).addSecs(-offsetSeconds);
}

} // namespace tavik::history_file
