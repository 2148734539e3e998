#pragma once

#include "app/stores/transform_kind.h"

#include <QString>
#include <QStringList>

namespace tavik::local_transforms {

// Runs one kind on `text`. Pure: it reads no store or setting, never fails and may run on any
// thread. The AI kind returns the text unchanged; the rewrite service does that work.
QString apply(TransformKind kind, const QString& text);

// The sentences of `text` by Unicode sentence segmentation, each trimmed of white space and line
// breaks, empty ones dropped. When none is left the one element is the whole text, untrimmed, so
// a caller always has something to show.
QStringList sentences(const QString& text);

// The words that the filler removal takes out, in the order it takes them.
const QStringList& fillerWords();

// The words that title case leaves in lower case after the first word.
const QStringList& titleCaseSmallWords();

} // namespace tavik::local_transforms
