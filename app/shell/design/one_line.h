#pragma once

#include <QString>

class QLineEdit;

namespace tavik::design {

// `text` on one line: each line break (a CR LF pair counts as one) and each tab becomes a space,
// nothing else changes. `cursor`, when given, is moved along so it stays between the same
// characters.
QString onOneLine(const QString& text, int* cursor = nullptr);

// Makes `edit` a one-line field in what it holds, not only in how it looks: whatever reaches it
// (typed, pasted, dropped, or set by its owner) has its line breaks and tabs turned into spaces
// before anyone reads it, and a long paste is kept whole instead of being cut at the line
// edit's default limit of 32,767 characters.
void keepOnOneLine(QLineEdit& edit);

} // namespace tavik::design
