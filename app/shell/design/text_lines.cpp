#include "app/shell/design/text_lines.h"

#include <QTextLayout>

namespace tavik::design {

qreal stackLines(QTextLayout& layout, qreal width, bool leadingIncluded) {
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLeadingIncluded(leadingIncluded);
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return y;
}

} // namespace tavik::design
