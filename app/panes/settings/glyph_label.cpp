#include "app/panes/settings/glyph_label.h"

#include "app/shell/design/glyphs.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/layouts.h"
#include "app/shell/design/theme.h"

#include <QHBoxLayout>

namespace tavik::panes::settings {

using design::Theme;

namespace {
// The gap a label leaves between its icon and its title.
constexpr int glyphGap = 6;
} // namespace

QWidget* makeGlyphLabel(const QString& glyph, const QString& text, qreal pixelSize,
                        QFont::Weight weight, const QColor& color, QWidget* parent) {
    auto* label = new QWidget(parent);
    auto* row = design::tightRow(label, glyphGap);
    // The glyph centres on the first line of the text beside it.
    const QFont font = Theme::font(pixelSize, weight);
    const int lineHeight = QFontMetrics(font).height();
    auto* holder = new QWidget(label);
    holder->setFixedSize(int(pixelSize), lineHeight);
    auto* icon = new design::GlyphView(glyph, int(pixelSize), color, holder);
    icon->move(0, (lineHeight - icon->sizeHint().height()) / 2);
    row->addWidget(holder, 0, Qt::AlignTop);
    row->addWidget(new design::WrappingLabel(text, font, color, label), 1);
    label->setAccessibleName(text);
    return label;
}

} // namespace tavik::panes::settings
