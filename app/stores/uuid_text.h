#pragma once

#include <QString>
#include <QUuid>

#include <optional>

namespace tavik {

// The 36-character hyphenated form the stores write: upper-case hexadecimal digits.
QString uuidText(const QUuid& id);

// Reads the 36-character hyphenated form in either case. Braces, missing hyphens or anything
// else QUuid would quietly turn into a null id are refused.
std::optional<QUuid> parseUuidText(const QString& text);

} // namespace tavik
