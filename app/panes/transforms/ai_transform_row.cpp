#include "app/panes/transforms/ai_transform_row.h"

#include "app/panes/snippets/row_text.h"
#include "app/shell/design/glyph_button.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/theme.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tavik::panes {

using design::Theme;

namespace {

constexpr int padX = 14;
constexpr int padY = 9;
constexpr int spacing = 8;
constexpr int deleteGlyph = 13;

QFont nameFont() {
    return Theme::font(12, QFont::Medium);
}

QFont instructionFont() {
    return Theme::font(11);
}

} // namespace

AiTransformRow::AiTransformRow(QWidget* parent)
    : QWidget(parent), transform_(QString(), TransformKind::ai) {
    delete_ = new design::GlyphButton(QStringLiteral("xmark.circle.fill"), deleteGlyph,
                                      Theme::silver, this);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(delete_, &QAbstractButton::clicked, this,
            [this] { emit deleteClicked(transform_.id); });
}

void AiTransformRow::setTransform(const Transforms::Transform& transform) {
    if (transform == transform_) {
        return;
    }
    transform_ = transform;
    nameWidth_ = row_text::naturalWidth(transform.name, nameFont()) + 1;
    instructionWidth_ =
        QFontMetricsF(instructionFont())
            .horizontalAdvance(design::ElidedLabel::oneLine(transform.instruction)) +
        1;
    setAccessibleName(transform.name);
    setAccessibleDescription(transform.instruction);
    delete_->setAccessibleName(QStringLiteral("Delete ") + transform.name);
    updateGeometry();
    update();
}

AiTransformRow::Widths AiTransformRow::widths(int rowWidth) const {
    const qreal area = rowWidth - 2 * padX - delete_->sizeHint().width() - 3 * spacing;
    const qreal name = nameWidth_;
    const qreal instruction = instructionWidth_;
    if (name + instruction <= area) {
        return {name, instruction};
    }
    const qreal shownName = qMax<qreal>(1, qMin(name, qMax(area / 2, area - instruction)));
    return {shownName, qMax<qreal>(0, area - shownName)};
}

QRectF AiTransformRow::nameRect() const {
    const qreal w = widths(width()).name;
    const qreal h = row_text::wrappedHeight(transform_.name, nameFont(), w, nameWidth_ - 1);
    return {qreal(padX), (height() - h) / 2, w, h};
}

QRectF AiTransformRow::instructionRect() const {
    const Widths w = widths(width());
    const qreal h = QFontMetricsF(instructionFont()).lineSpacing();
    return {padX + w.name + spacing, (height() - h) / 2, w.instruction, h};
}

QString AiTransformRow::shownInstruction() const {
    return row_text::elided(transform_.instruction, instructionFont(), instructionRect().width());
}

int AiTransformRow::heightForWidth(int width) const {
    const qreal name =
        row_text::wrappedHeight(transform_.name, nameFont(), widths(width).name, nameWidth_ - 1);
    const qreal line = QFontMetricsF(instructionFont()).lineSpacing();
    return int(std::ceil(std::max({name, line, qreal(deleteGlyph)}))) + 2 * padY;
}

QSize AiTransformRow::sizeHint() const {
    const int width =
        2 * padX + 3 * spacing + delete_->sizeHint().width() + int(std::ceil(nameWidth_)) + 160;
    return {width, heightForWidth(width)};
}

QSize AiTransformRow::minimumSizeHint() const {
    const int width = 2 * padX + 3 * spacing + delete_->sizeHint().width() + 60;
    return {width, heightForWidth(width)};
}

void AiTransformRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    row_text::drawWrapped(painter, nameRect(), transform_.name, nameFont(), Theme::label);
    row_text::drawElided(painter, instructionRect(), transform_.instruction, instructionFont(),
                         Theme::silver);
}

void AiTransformRow::resizeEvent(QResizeEvent*) {
    const QSize button = delete_->sizeHint();
    const int margin = (button.width() - deleteGlyph) / 2;
    delete_->setGeometry(width() - padX - button.width() + margin, (height() - button.height()) / 2,
                         button.width(), button.height());
}

} // namespace tavik::panes
