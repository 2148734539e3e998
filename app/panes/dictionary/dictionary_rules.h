#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What the dictionary pane does to the list of terms, apart from any widget. Two terms are the
// same when a reader cannot tell them apart (equal after canonical composition); letter case
// counts, so "Acme" and "acme" are two terms.
namespace tavik::panes::dictionary {

bool sameTerm(const QString& a, const QString& b);

// The typed text with spaces and tabs trimmed from both ends (line breaks stay).
QString trimmedTerm(const QString& typed);

// The terms with the trimmed `typed` appended, or none when nothing is left after trimming or
// the list already holds that term.
std::optional<QStringList> withAdded(const QStringList& terms, const QString& typed);

// The terms without any element that is the same term as `term`, the rest in their order.
QStringList without(const QStringList& terms, const QString& term);

// The suggestions that are not yet terms, in their built-in order.
QStringList offered(const QStringList& suggestions, const QStringList& terms);

} // namespace tavik::panes::dictionary
