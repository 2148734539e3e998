#pragma once

#include <QtGlobal>

class QTextLayout;

namespace tavik::design {

// Breaks `layout` (its text and options already set) into lines `width` wide, each placed under
// the one before by its own height, and returns the height they take. With `leadingIncluded`
// each line's height counts the font's leading too, as a text editor spaces its lines.
qreal stackLines(QTextLayout& layout, qreal width, bool leadingIncluded = false);

} // namespace tavik::design
