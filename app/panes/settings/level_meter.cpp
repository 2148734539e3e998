#include "app/panes/settings/level_meter.h"

#include "app/panes/settings/microphone_rules.h"
#include "app/shell/design/theme.h"

#include <QPainter>
#include <QTimerEvent>

namespace tavik::panes::settings {

using design::Theme;

LevelMeter::LevelMeter(std::function<float()> level, QWidget* parent)
    : QWidget(parent), source_(std::move(level)) {
    setFixedSize(meterWidth, meterHeight);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAccessibleName(QStringLiteral("Input level"));
}

void LevelMeter::setRunning(bool running) {
    if (running_ == running) {
        return;
    }
    running_ = running;
    updateTimer();
    if (running_) {
        tick();
    }
}

void LevelMeter::updateTimer() {
    if (running_ && onScreen_) {
        if (!timer_.isActive()) {
            timer_.start(intervalMs, Qt::PreciseTimer, this);
        }
    } else {
        timer_.stop();
    }
}

void LevelMeter::tick() {
    db_ = source_ ? source_() : -80.0f;
    const double width = barWidth();
    if (width != paintedWidth_) {
        update();
    }
}

double LevelMeter::barWidth() const {
    return meterLevelWidth(db_, width());
}

namespace {

// The gradient laid across the whole track, made again only when the track moves or resizes.
const QBrush& trackGradient(const QRectF& track) {
    static QRectF madeFor;
    static QBrush brush;
    if (track != madeFor) {
        brush = QBrush(Theme::bioluminescent(track));
        madeFor = track;
    }
    return brush;
}

} // namespace

// The bar's gradient spans the bar itself, dark when quiet and bright only at its loud end. It
// is drawn as the whole track squeezed to the bar's width, with the corner radius widened by
// the same factor so the ends stay round: one brush for every width, nothing made per frame.
void LevelMeter::paint(QPainter& painter, const QRectF& track, float db) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const qreal radius = track.height() / 2.0;
    static const QBrush trackFill(Theme::hairlineStrong);
    painter.setBrush(trackFill);
    painter.drawRoundedRect(track, radius, radius);
    if (track.width() <= 0) {
        return;
    }
    const qreal squeeze = meterLevelWidth(db, track.width()) / track.width();
    const QTransform before = painter.transform();
    const QTransform toBar(squeeze, 0, 0, 1, track.left() * (1 - squeeze), 0);
    painter.setTransform(toBar * before);
    painter.setBrush(trackGradient(track));
    painter.drawRoundedRect(track, radius / squeeze, radius);
    painter.setTransform(before);
}

void LevelMeter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintedWidth_ = barWidth();
    paint(painter, QRectF(rect()), db_);
}

void LevelMeter::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    onScreen_ = true;
    updateTimer();
    if (running_) {
        tick();
    }
}

void LevelMeter::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    onScreen_ = false;
    updateTimer();
}

void LevelMeter::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_.timerId()) {
        tick();
        return;
    }
    QWidget::timerEvent(event);
}

} // namespace tavik::panes::settings
