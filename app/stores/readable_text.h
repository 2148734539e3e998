#pragma once

#include <QString>
#include <QStringView>

namespace tavik {

// Text that came from outside, made safe to show or to paste: control characters other than
// tab, line feed and carriage return are removed (in a terminal they act as keys), and so are
// the bidirectional embeddings, overrides and isolates, which make a text read other than it is.
QString withoutControls(QStringView text);

// At most `maxLength` UTF-16 units of `text`, ending in "…" when it was cut; a surrogate pair is
// never split.
QString shortened(const QString& text, qsizetype maxLength);

} // namespace tavik
