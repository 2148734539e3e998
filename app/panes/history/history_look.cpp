#include "app/panes/history/history_look.h"

#include "app/shell/design/theme.h"

namespace tavik::panes::historyLook {

using design::Theme;

QFont captionFont() {
    return Theme::font(10, QFont::Medium, 1.5);
}

QColor captionColor() {
    return Theme::silver;
}

QString captionText(const QString& caption) {
    return caption.toUpper();
}

QColor textColor() {
    return Theme::label;
}

QColor hoverFill() {
    return design::whiteAt(0.04);
}

} // namespace tavik::panes::historyLook
