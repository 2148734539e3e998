#include "app/shell/ripple_orb.h"

#include "app/dictation/dictation_controller.h"
#include "app/shell/design/mark.h"
#include "app/shell/design/paint.h"
#include "app/shell/design/theme.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tavik {

using design::Theme;
using Kind = dictation::State::Kind;

namespace {

constexpr double restDisc = 44;
constexpr double hoverScale = 1.06;
constexpr int levelMs = 90;
constexpr int recordingMs = 160;
constexpr int hoverMs = 120;
constexpr double markSize = 22;

const QString listeningTip = QStringLiteral("Listening — click to stop");
const QString idleTip = QStringLiteral("Click to dictate");

QColor withOpacity(QColor color, double opacity) {
    color.setAlphaF(float(color.alphaF() * opacity));
    return color;
}

// A 1 px circle outline inside a `diameter` circle about `centre`.
void ringInside(QPainter& painter, QPointF centre, double diameter, const QColor& color) {
    if (color.alpha() == 0) {
        return;
    }
    const double r = diameter / 2 - 0.5;
    painter.setPen(QPen(color, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, r, r);
}

} // namespace

void OrbState::setHovering(bool hovering) {
    if (hovering_ == hovering) {
        return;
    }
    hovering_ = hovering;
    emit hoveringChanged(hovering);
}

RippleOrb::RippleOrb(DictationController& controller, OrbState& hover, QWidget* parent)
    : QWidget(parent), hover_(hover), state_(controller.state()), decibels_(controller.level()),
      level_(this), recording_(this), scale_(this, 1) {
    setFixedSize(frameSize, frameSize);
    setMouseTracking(true);
    // The button's window is never active, and Qt shows tooltips only over active windows.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAttribute(Qt::WA_TranslucentBackground);
    connect(&controller, &DictationController::stateChanged, this, &RippleOrb::showState);
    connect(&controller, &DictationController::levelChanged, this, &RippleOrb::showLevel);
    connect(&hover_, &OrbState::hoveringChanged, this, &RippleOrb::showHovering);
    recording_.jumpTo(recording() ? 1 : 0);
    level_.jumpTo(recording() ? levelFor(decibels_) : 0);
    scale_.jumpTo(hover_.hovering() && !recording() ? hoverScale : 1);
    setToolTip(recording() ? listeningTip : idleTip);
    setAccessibleName(toolTip());
}

RippleOrb::~RippleOrb() = default;

double RippleOrb::levelFor(float decibels) {
    // In single precision, as the level arrives.
    const float x = (decibels + 55.0f) / 45.0f;
    if (!std::isfinite(x) || x < 0) {
        return 0;
    }
    return x > 1 ? 1 : double(x);
}

void RippleOrb::showState(const dictation::State& state) {
    const bool wasRecording = recording();
    state_ = state;
    if (recording() != wasRecording) {
        recording_.animateTo(recording() ? 1 : 0, recordingMs);
        level_.animateTo(recording() ? levelFor(decibels_) : 0, recordingMs);
        scale_.animateTo(hover_.hovering() && !recording() ? hoverScale : 1, recordingMs);
        setToolTip(recording() ? listeningTip : idleTip);
        setAccessibleName(toolTip());
    }
    update(); // the mark's opacity follows transcribing at once
}

void RippleOrb::showLevel(float decibels) {
    decibels_ = decibels;
    if (!recording()) {
        return;
    }
    const double next = levelFor(decibels);
    if (next != level_.target()) {
        level_.animateTo(next, levelMs);
    }
}

void RippleOrb::showHovering() {
    scale_.animateTo(hover_.hovering() && !recording() ? hoverScale : 1, hoverMs);
}

OrbLook RippleOrb::shown() const {
    OrbLook look;
    const double rec = recording_.value();
    const double L = level_.value();
    look.level = L;
    look.disc = restDisc + rec * 6 * L;
    for (int i = 0; i < 3; ++i) {
        const auto index = std::size_t(i);
        look.rings[index] = restDisc + rec * (6 * L + (9 * L + 8) * (i + 1));
        look.ringOpacity[index] = rec * std::max(0.0, (0.34 - 0.1 * i) * (L + 0.35));
    }
    look.border = design::paint::mix(Theme::hairlineStrong, withOpacity(Theme::mist, 0.55), rec);
    look.markOpacity = state_.is(Kind::transcribing) ? 0.5 : 1;
    look.scale = scale_.value();
    return look;
}

void RippleOrb::paintEvent(QPaintEvent*) {
    const OrbLook look = shown();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPointF centre(frameSize / 2.0, frameSize / 2.0);
    painter.translate(centre);
    painter.scale(look.scale, look.scale);
    painter.translate(-centre);

    for (std::size_t i = 0; i < 3; ++i) {
        ringInside(painter, centre, look.rings[i], withOpacity(Theme::mist, look.ringOpacity[i]));
    }
    const double r = look.disc / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::deep);
    painter.drawEllipse(centre, r, r);
    ringInside(painter, centre, look.disc, look.border);

    painter.setOpacity(look.markOpacity);
    const QRectF markFrame(centre.x() - markSize / 2, centre.y() - markSize / 2, markSize,
                           markSize);
    design::mark::paint(painter, markFrame, design::mark::heightsFor(look.level));

    const double drawn = std::ceil(look.disc * look.scale);
    if (drawn != lastDisc_) {
        lastDisc_ = drawn;
        emit discChanged();
    }
}

void RippleOrb::mouseMoveEvent(QMouseEvent* event) {
    // The button is round: the pointer is over it inside the circle, not in the corners.
    const QPointF offset = event->position() - QPointF(frameSize / 2.0, frameSize / 2.0);
    hover_.setHovering(std::hypot(offset.x(), offset.y()) <= frameSize / 2.0);
    event->ignore(); // a drag belongs to the window
}

void RippleOrb::leaveEvent(QEvent* event) {
    hover_.setHovering(false);
    QWidget::leaveEvent(event);
}

} // namespace tavik
