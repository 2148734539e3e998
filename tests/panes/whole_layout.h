#pragma once

// The plain way of laying text out, which the panes' measuring and chunked layouts are checked
// against: a whole text in one QTextLayout, wrapped at word boundaries or, for a word longer than
// the line, anywhere.
#include <QTextLayout>
#include <QTextOption>

namespace tavik::test {

// The wrapping of every text the panes show.
inline QTextOption wrapAnywhere() {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

// Lays out all of `layout`'s text (with the option it has) in lines `width` wide, each set under
// the one before, with its leading counted when `leading`; the height of them all.
inline qreal layOutWhole(QTextLayout& layout, qreal width, bool leading = false) {
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLeadingIncluded(leading);
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return height;
}

} // namespace tavik::test
