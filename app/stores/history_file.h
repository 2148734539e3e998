#pragma once

#include "app/stores/history_entry.h"

#include <QByteArray>
#include <QList>

#include <optional>

// The history file: a pretty-printed JSON array of entries, newest first.
namespace tavik::history_file {

// Never fails: a number that JSON cannot hold (NaN, infinity) is written as 0 and an invalid
// date as the epoch, so one odd entry cannot stop every later save.
QByteArray encode(const QList<HistoryEntry>& entries);

// All nine keys are required with their JSON types; other keys are ignored. One bad entry
// fails the whole file (the caller keeps the file aside rather than lose it).
std::optional<QList<HistoryEntry>> decode(const QByteArray& bytes);

// "yyyy-MM-ddTHH:mm:ssZ" in UTC; the fraction of a second is dropped.
QString formatInstant(const QDateTime& at);

// RFC 3339 date-time: whole or fractional seconds, "Z" or a numeric offset.
std::optional<QDateTime> parseInstant(const QString& text);

} // namespace tavik::history_file
