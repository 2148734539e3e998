#include "app/panes/snippets/snippet_row.h"

#include "app/panes/snippets/row_text.h"
#include "app/shell/design/glyph_button.h"
#include "app/shell/design/glyphs.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/theme.h"
#include "app/shell/design/toggle.h"

#include <QGraphicsOpacityEffect>
#include <QPainter>

#include <cmath>

namespace tavik::panes {

using design::Theme;

namespace {

constexpr int padX = 14;
constexpr int padY = 9;
constexpr int spacing = 10;
constexpr int arrowSize = 9;
constexpr int deleteGlyph = 13;

QFont triggerFont() {
    return Theme::font(12, QFont::Medium);
}

QFont expansionFont() {
    return Theme::font(12);
}

} // namespace

SnippetRow::SnippetRow(QWidget* parent) : QWidget(parent) {
    toggle_ = new design::TavikToggle(QString(), this);
    delete_ = new design::GlyphButton(QStringLiteral("xmark.circle.fill"), deleteGlyph,
                                      Theme::silver, this);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    connect(toggle_, &QAbstractButton::clicked, this, [this](bool checked) {
        emit enabledEdited(snippet_.id, checked);
        // The store has answered by now. Where it took nothing for this row (another snippet of
        // the same id, from a hand-edited file, was the one switched), the switch goes back to
        // what is stored instead of showing a state that is not.
        if (toggle_->isChecked() != snippet_.enabled) {
            toggle_->setChecked(snippet_.enabled);
        }
    });
    connect(delete_, &QAbstractButton::clicked, this, [this] { emit deleteClicked(snippet_.id); });
}

void SnippetRow::setSnippet(const Snippet& snippet) {
    if (shown_ && snippet == snippet_) {
        return;
    }
    const bool resized = !shown_ || snippet.trigger != snippet_.trigger;
    shown_ = true;
    snippet_ = snippet;
    triggerHeight_ = row_text::wrappedHeight(snippet.trigger, triggerFont(), triggerWidth);
    expansionWidth_ = QFontMetricsF(expansionFont())
                          .horizontalAdvance(design::ElidedLabel::oneLine(snippet.expansion));
    // The store is written from clicks only, so showing its value never writes it back.
    toggle_->setChecked(snippet.enabled);
    // Made for the first snippet switched off only: an effect draws its row through an
    // offscreen image, which a card of hundreds of rows should not pay for.
    if (!snippet.enabled && dimming_ == nullptr) {
        dimming_ = new QGraphicsOpacityEffect(this);
        dimming_->setOpacity(0.5);
        setGraphicsEffect(dimming_);
    }
    if (dimming_ != nullptr) {
        dimming_->setEnabled(!snippet.enabled);
    }
    toggle_->setAccessibleName(snippet.trigger);
    toggle_->setAccessibleDescription(snippet.expansion);
    delete_->setAccessibleName(QStringLiteral("Delete ") + snippet.trigger);
    if (resized) {
        updateGeometry();
    }
    update();
}

qreal SnippetRow::opacity() const {
    return dimming_ != nullptr && dimming_->isEnabled() ? dimming_->opacity() : 1.0;
}

QRectF SnippetRow::triggerRect() const {
    const qreal h = triggerHeight_;
    return {qreal(padX + design::TavikToggle::trackWidth + spacing), (height() - h) / 2,
            qreal(triggerWidth), h};
}

QRectF SnippetRow::expansionRect() const {
    const qreal left = triggerRect().right() + spacing + arrowSize + spacing;
    // The expansion takes what it needs; the spacer after it gives way first.
    const qreal right = delete_->geometry().left() - 2 * spacing;
    const qreal natural = expansionWidth_;
    const qreal lineHeight = QFontMetricsF(expansionFont()).lineSpacing();
    return {left, (height() - lineHeight) / 2, qMax<qreal>(0, qMin(natural + 1, right - left)),
            lineHeight};
}

QString SnippetRow::shownExpansion() const {
    return row_text::elided(snippet_.expansion, expansionFont(), expansionRect().width());
}

QSize SnippetRow::sizeHint() const {
    const QSize least = minimumSizeHint();
    return {least.width() + 120, least.height()};
}

QSize SnippetRow::minimumSizeHint() const {
    // Everything but the expansion, which may shrink to nothing.
    const int content =
        int(std::ceil(qMax<qreal>(triggerHeight_, design::TavikToggle::trackHeight)));
    const int width = padX + design::TavikToggle::trackWidth + spacing + triggerWidth + spacing +
                      arrowSize + spacing + 2 * spacing + delete_->sizeHint().width() + padX;
    return {width, content + 2 * padY};
}

void SnippetRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF trigger = triggerRect();
    row_text::drawWrapped(painter, trigger, snippet_.trigger, triggerFont(), Theme::label);
    const QRectF arrow(trigger.right() + spacing, (height() - arrowSize) / 2.0, arrowSize,
                       arrowSize);
    design::paintGlyph(painter, QStringLiteral("arrow.right"), arrow, Theme::silver);
    row_text::drawElided(painter, expansionRect(), snippet_.expansion, expansionFont(),
                         Theme::silver);
}

void SnippetRow::resizeEvent(QResizeEvent*) {
    const QSize track(design::TavikToggle::trackWidth, design::TavikToggle::trackHeight);
    toggle_->setGeometry(padX, (height() - track.height()) / 2, track.width(), track.height());
    const QSize button = delete_->sizeHint();
    const int margin = (button.width() - deleteGlyph) / 2;
    delete_->setGeometry(width() - padX - button.width() + margin, (height() - button.height()) / 2,
                         button.width(), button.height());
}

} // namespace tavik::panes
