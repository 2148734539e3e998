#include "app/shell/design/toggle.h"

#include "app/shell/design/buttons.h"
#include "app/shell/design/paint.h"
#include "app/shell/design/theme.h"

#include <QPainter>

namespace tavik::design {

TavikToggle::TavikToggle(const QString& text, QWidget* parent)
    : QAbstractButton(parent), progress_(this, 0) {
    setCheckable(true);
    setText(text);
    setFont(Theme::body());
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
}

void TavikToggle::follow() {
    // Only a change the person watches slides: a value set before the switch is first shown, or
    // while its window or pane is hidden, is simply where the knob stands when it appears.
    if (isVisible()) {
        progress_.animateTo(isChecked() ? 1 : 0, durationMs, Motion::easeOut());
    } else {
        progress_.jumpTo(isChecked() ? 1 : 0);
    }
}

void TavikToggle::hideEvent(QHideEvent* event) {
    QAbstractButton::hideEvent(event);
    // A slide cut short by hiding must not resume from the middle when the switch returns.
    progress_.jumpTo(isChecked() ? 1 : 0);
}

void TavikToggle::nextCheckState() {
    QAbstractButton::nextCheckState();
    follow();
}

void TavikToggle::checkStateSet() {
    QAbstractButton::checkStateSet();
    follow();
}

QRectF TavikToggle::trackRect(int height) {
    return QRectF(0, (height - trackHeight) / 2.0, trackWidth, trackHeight);
}

QRectF TavikToggle::knobRect(int height, double t) {
    const QRectF track = trackRect(height);
    const double travel = trackWidth - 2 * inset - knob;
    return QRectF(inset + travel * t, track.top() + inset, knob, knob);
}

QSize TavikToggle::sizeHint() const {
    const QString label = shownMnemonicText(text());
    if (label.isEmpty()) {
        return {trackWidth, trackHeight};
    }
    const QFontMetrics metrics(font());
    return {trackWidth + spacing + metrics.horizontalAdvance(label),
            qMax(trackHeight, metrics.height())};
}

void TavikToggle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const ControlState state = hook_.resolve(*this, isDown());
    const double t = hook_.forced() ? (isChecked() ? 1.0 : 0.0) : progress_.value();

    const QRectF track = trackRect(height());
    const qreal radius = track.height() / 2;
    paint::surface(painter, track, radius, Theme::deep, Qt::transparent);
    if (t > 0) {
        painter.save();
        painter.setOpacity(t);
        paint::surface(painter, track, radius, Theme::bioluminescent(track), Qt::transparent);
        painter.restore();
    }
    paint::strokeInside(painter, track, radius, Theme::hairlineStrong);

    painter.setPen(Qt::NoPen);
    painter.setBrush(paint::mix(Theme::silver, Theme::knobOn, t));
    painter.drawEllipse(knobRect(height(), t));

    const QString label = shownMnemonicText(text());
    if (!label.isEmpty()) {
        painter.setPen(Theme::mist);
        painter.setFont(font());
        const QRectF box(trackWidth + spacing, 0, width() - trackWidth - spacing, height());
        painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, label);
    }
    if (state.focused) {
        paint::focusRing(painter, track, radius);
    }
}

void TavikToggle::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    update();
}

void TavikToggle::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    update();
}

} // namespace tavik::design
