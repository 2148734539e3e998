#include "app/panes/dictionary/term_row.h"

#include "app/panes/snippets/row_text.h"
#include "app/shell/design/glyph_button.h"
#include "app/shell/design/theme.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tavik::panes {

using design::Theme;

namespace {

constexpr int padX = 14;
constexpr int padY = 9;
constexpr int gap = 16; // the spacer's least length with the stack's spacing
constexpr int glyphSize = 13;

} // namespace

TermRow::TermRow(QWidget* parent) : QWidget(parent) {
    remove_ = new design::GlyphButton(QStringLiteral("xmark.circle.fill"), glyphSize, Theme::silver,
                                      this);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void TermRow::setTerm(const QString& term) {
    if (term == term_ && !term_.isNull()) {
        return;
    }
    term_ = term;
    natural_ = row_text::naturalWidth(term, Theme::body());
    heights_.fill({-1, 0});
    setAccessibleName(term);
    remove_->setAccessibleName(QStringLiteral("Remove ") + term);
    updateGeometry();
    update();
}

int TermRow::heightForWidth(int width) const {
    return int(std::ceil(qMax<qreal>(textHeight(width), glyphSize))) + 2 * padY;
}

QSize TermRow::sizeHint() const {
    const int width = int(std::ceil(natural_)) + 2 * padX + gap + remove_->sizeHint().width();
    return {width, heightForWidth(width)};
}

QSize TermRow::minimumSizeHint() const {
    return {2 * padX + gap + remove_->sizeHint().width() + 40, heightForWidth(200)};
}

qreal TermRow::textWidth(int rowWidth) const {
    return qMax(1, rowWidth - 2 * padX - gap - remove_->sizeHint().width());
}

qreal TermRow::textHeight(int rowWidth) const {
    static const qreal line = QFontMetricsF(Theme::body()).lineSpacing();
    const qreal width = textWidth(rowWidth);
    if (natural_ <= width && !term_.contains(QLatin1Char('\n'))) {
        return line;
    }
    for (const auto& [known, height] : heights_) {
        if (known == rowWidth) {
            return height;
        }
    }
    const qreal height = row_text::wrappedHeight(term_, Theme::body(), width, natural_);
    std::rotate(heights_.rbegin(), heights_.rbegin() + 1, heights_.rend());
    heights_[0] = {rowWidth, height};
    return height;
}

void TermRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const qreal text = textHeight(width());
    row_text::drawWrapped(painter, QRectF(padX, (height() - text) / 2, textWidth(width()), text),
                          term_, Theme::body(), Theme::label);
}

void TermRow::resizeEvent(QResizeEvent*) {
    // The glyph's own edge lines up with the padding; its button keeps a focus-ring margin.
    const QSize button = remove_->sizeHint();
    const int margin = (button.width() - glyphSize) / 2;
    remove_->setGeometry(width() - padX - button.width() + margin, (height() - button.height()) / 2,
                         button.width(), button.height());
}

} // namespace tavik::panes
