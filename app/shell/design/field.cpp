#include "app/shell/design/field.h"

#include "app/shell/design/one_line.h"
#include "app/shell/design/paint.h"
#include "app/shell/design/theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>

namespace tavik::design {

namespace {

// QLineEdit keeps 2 px beside and 1 px above and below its text; the frame's padding is measured
// to the text, so the wrapper gives that much less.
constexpr int kEditMarginX = 2;
constexpr int kEditMarginY = 1;
constexpr int kPadX = 12;
constexpr int kPadY = 9;

QColor hoveredBorder() {
    QColor c = Theme::mist;
    c.setAlphaF(0.5f);
    return c;
}

} // namespace

TavikField::TavikField(const QString& placeholder, QWidget* parent)
    : TavikField(placeholder, Options{}, parent) {}

TavikField::TavikField(const QString& placeholder, Options options, QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), border_(this, 0) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(kPadX - kEditMarginX, kPadY - kEditMarginY, kPadX - kEditMarginX,
                               kPadY - kEditMarginY);
    layout->setSpacing(0);
    layout->addWidget(edit_);

    edit_->setFrame(false);
    keepOnOneLine(*edit_);
    edit_->setPlaceholderText(placeholder);
    edit_->setFont(options.monospaced ? Theme::mono(13) : Theme::body());
    // One line of text and the line edit's own margin: its default minimum is taller than the
    // design's field, and would stretch every form.
    edit_->setFixedHeight(QFontMetrics(edit_->font()).height() + 2 * kEditMarginY);
    edit_->setEchoMode(options.secure ? QLineEdit::Password : QLineEdit::Normal);
    edit_->setAttribute(Qt::WA_MacShowFocusRect, false);
    edit_->setAutoFillBackground(false);
    QPalette p = edit_->palette();
    p.setColor(QPalette::Base, Qt::transparent);
    p.setColor(QPalette::Text, Theme::mist);
    p.setColor(QPalette::PlaceholderText, Theme::placeholder);
    edit_->setPalette(p);
    edit_->setAccessibleName(placeholder);
    setFocusProxy(edit_);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);

    connect(edit_, &QLineEdit::textEdited, this, &TavikField::textEdited);
    connect(edit_, &QLineEdit::returnPressed, this, &TavikField::submitted);
}

void TavikField::setText(const QString& text) {
    if (edit_->text() != text) {
        edit_->setText(text);
    }
}

QSize TavikField::sizeHint() const {
    const QFontMetrics metrics(edit_->font());
    return {metrics.horizontalAdvance(QLatin1Char('x')) * 17 + 2 * kPadX,
            metrics.height() + 2 * kPadY};
}

QSize TavikField::minimumSizeHint() const {
    const QFontMetrics metrics(edit_->font());
    return {metrics.horizontalAdvance(QLatin1Char('x')) * 4 + 2 * kPadX,
            metrics.height() + 2 * kPadY};
}

void TavikField::setHovered(bool hovered) {
    if (hovered_ == hovered) {
        return;
    }
    hovered_ = hovered;
    border_.animateTo(hovered ? 1 : 0, durationMs, Motion::easeOut());
}

void TavikField::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    setHovered(true);
}

void TavikField::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setHovered(false);
}

void TavikField::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        update();
    }
}

void TavikField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const ControlState state = hook_.resolve(*this, false);
    const double mix = hook_.forced() ? (state.hovered ? 1.0 : 0.0) : border_.value();
    paint::surface(painter, rect(), Theme::radiusSmall, Theme::deep, Qt::transparent);
    paint::strokeInside(painter, rect(), Theme::radiusSmall,
                        paint::mix(Theme::hairlineStrong, hoveredBorder(), mix));
    // The border belongs to the pointer alone; keyboard focus shows as the text cursor.
}

} // namespace tavik::design
