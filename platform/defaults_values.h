#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <optional>

// How a stored JSON value reads as each kind of setting. The rules follow the platform
// defaults store the settings were designed against, so a hand-edited value means the same
// thing here: a wrong kind never throws or guesses, it simply gives no value.
namespace tavik::platform::defaults {

// A number exactly representable as a 64-bit integer (1200.0 counts, 2.5 and 1e300 do not).
std::optional<qint64> exactInt(const QJsonValue& value);

// true/false, or the numbers 1 and 0.
std::optional<bool> exactBool(const QJsonValue& value);

// A string as is; a number as its text ("5", "2.5"); nothing else.
std::optional<QString> string(const QJsonValue& value);

// true/false; a number is true when non-zero; a string when it reads "true", "yes" or "1" in
// any letter case. Everything else, a missing value included, is false.
bool boolean(const QJsonValue& value);

// Only {"$data": "<base64>"} with valid base64.
std::optional<QByteArray> data(const QJsonValue& value);

// An array of strings only.
std::optional<QStringList> stringArray(const QJsonValue& value);

// The stored forms of the writes.
QJsonValue fromData(const QByteArray& bytes);
QJsonValue fromStringList(const QStringList& list);

} // namespace tavik::platform::defaults
