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
    if (running_ && isVisible()) {
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

void LevelMeter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const qreal radius = height() / 2.0;
    const QRectF track(rect());
    painter.setBrush(Theme::hairlineStrong);
    painter.drawRoundedRect(track, radius, radius);
    // The gradient spans the bar itself, so a quiet level is dark and a loud one bright.
    paintedWidth_ = barWidth();
    const QRectF bar(0, 0, paintedWidth_, height());
    painter.setBrush(Theme::bioluminescent(bar));
    painter.drawRoundedRect(bar, radius, radius);
}

void LevelMeter::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateTimer();
    if (running_) {
        tick();
    }
}

void LevelMeter::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
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
