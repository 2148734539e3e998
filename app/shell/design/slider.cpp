#include "app/shell/design/slider.h"

#include "app/shell/design/accessibility.h"
#include "app/shell/design/paint.h"
#include "app/shell/design/theme.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace tavik::design {

std::optional<double> TavikSlider::valueForX(double x, double width, double lower, double upper,
                                             double step) {
    // A width of zero would make x/width not a number, which the settings behind a slider
    // would then store; such a press has no place on the track and sets nothing.
    if (!(width > 0) || !std::isfinite(x) || !std::isfinite(width)) {
        return std::nullopt;
    }
    const double raw = lower + (upper - lower) * (x / width);
    double snapped = raw;
    if (step > 0 && std::isfinite(step)) {
        snapped = step * std::round(raw / step);
    }
    double c = snapped <= lower ? lower : snapped;
    c = upper < c ? upper : c;
    if (!std::isfinite(c)) {
        return std::nullopt;
    }
    return c;
}

TavikSlider::Geometry TavikSlider::layout(double value, double width, double lower, double upper) {
    double f = (value - lower) / (upper - lower);
    if (!std::isfinite(f)) {
        f = 0; // an empty range or a value that is not a number: the track at rest
    }
    double w = width * f < width ? width * f : width;
    w = w >= 0 ? w : 0;
    double x = width * f - thumb / 2.0 < width - thumb ? width * f - thumb / 2.0 : width - thumb;
    x = x >= 0 ? x : 0;
    return {w, x};
}

TavikSlider::TavikSlider(double lower, double upper, double step, QWidget* parent)
    : QWidget(parent), lower_(lower), upper_(upper), step_(step), value_(lower) {
    installDesignAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
}

void TavikSlider::setValue(double value) {
    if (!dragging_) {
        display(value);
    }
}

void TavikSlider::display(double value) {
    if (value != value_) {
        value_ = value;
        update();
        if (QAccessible::isActive()) {
            QAccessibleValueChangeEvent event(this, value_);
            QAccessible::updateAccessibility(&event);
        }
    }
}

void TavikSlider::setRange(double lower, double upper, double step) {
    lower_ = lower;
    upper_ = upper;
    step_ = step;
    update();
}

QSize TavikSlider::sizeHint() const {
    return {160, controlHeight};
}

QSize TavikSlider::minimumSizeHint() const {
    return {thumb * 3, controlHeight};
}

void TavikSlider::pressAt(double x) {
    if (const std::optional<double> v = valueForX(x, width(), lower_, upper_, step_)) {
        display(*v);
        emit valueEdited(*v);
    }
}

void TavikSlider::stepBy(double delta) {
    const double unit = step_ > 0 ? step_ : (upper_ - lower_) / 100;
    double next = value_ + delta * unit;
    if (step_ > 0) {
        next = step_ * std::round(next / step_);
    }
    next = next <= lower_ ? lower_ : next;
    next = upper_ < next ? upper_ : next;
    if (std::isfinite(next)) {
        display(next);
        emit valueEdited(next);
    }
}

void TavikSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    dragging_ = true;
    pressAt(event->position().x());
}

void TavikSlider::mouseMoveEvent(QMouseEvent* event) {
    // The press grabs the pointer, so positions beyond either end arrive here too.
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        pressAt(event->position().x());
    }
}

void TavikSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = false;
        update();
    }
}

void TavikSlider::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        stepBy(-1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        stepBy(1);
        break;
    case Qt::Key_PageDown:
        stepBy(-10);
        break;
    case Qt::Key_PageUp:
        stepBy(10);
        break;
    case Qt::Key_Home:
        display(lower_);
        emit valueEdited(lower_);
        break;
    case Qt::Key_End:
        display(upper_);
        emit valueEdited(upper_);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TavikSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const ControlState state = hook_.resolve(*this, dragging_);
    const qreal top = (height() - controlHeight) / 2.0;
    const QRectF track(0, top + (controlHeight - trackHeight) / 2.0, width(), trackHeight);
    paint::surface(painter, track, trackHeight / 2.0, Theme::deep, Theme::hairline);

    const Geometry g = layout(value_, width(), lower_, upper_);
    if (g.fillWidth > 0) {
        const QRectF fill(0, track.top(), g.fillWidth, trackHeight);
        paint::surface(painter, fill, trackHeight / 2.0, Theme::bioluminescent(fill),
                       Qt::transparent);
    }
    const QRectF knob(g.thumbX, top + (controlHeight - thumb) / 2.0, thumb, thumb);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::mist);
    painter.drawEllipse(knob);
    if (state.focused) {
        const qreal grow = 1.5;
        paint::strokeInside(painter, knob.adjusted(-grow, -grow, grow, grow), thumb / 2.0 + grow,
                            Theme::focusRing, 1.5);
    }
}

} // namespace tavik::design
