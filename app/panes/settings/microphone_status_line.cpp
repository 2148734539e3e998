#include "app/panes/settings/microphone_status_line.h"

#include "app/panes/settings/level_meter.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/theme.h"

#include <QPainter>

#include <cmath>

namespace tavik::panes::settings {

using design::Theme;

namespace {
constexpr qreal topPadding = 4;
constexpr qreal dotSize = 6;
constexpr qreal spacing = 8;
// The spacer between the text and the meter keeps at least its own default length.
constexpr qreal spacerMinimum = 8;
} // namespace

//  ●  Listening on Built-in Microphone ……………  [▬▬▬▬──────]
//  6  8                                     8+8+8      88×4
MicrophoneStatusLine::MicrophoneStatusLine(std::function<float()> level, QWidget* parent)
    : QWidget(parent), meter_(new LevelMeter(std::move(level), this)) {
    setFont(Theme::font(11));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    meter_->hide();
}

void MicrophoneStatusLine::setStatus(const dictation::MicrophoneStatus& status) {
    text_ = microphoneStatusText(status);
    setAccessibleName(sentence());
    const bool capturing = status.active.has_value();
    meter_->setVisible(capturing);
    meter_->setRunning(capturing);
    update();
}

QSize MicrophoneStatusLine::sizeHint() const {
    const QFontMetricsF metrics(font());
    const qreal textWidth = metrics.horizontalAdvance(sentence());
    const qreal width = dotSize + spacing + textWidth + 3 * spacing + LevelMeter::meterWidth;
    return {int(std::ceil(width)), int(std::ceil(topPadding + metrics.height()))};
}

QSize MicrophoneStatusLine::minimumSizeHint() const {
    return {int(dotSize + spacing), sizeHint().height()};
}

qreal MicrophoneStatusLine::textRight() const {
    if (meter_->isHidden()) {
        return width();
    }
    return width() - LevelMeter::meterWidth - spacing - spacerMinimum - spacing;
}

void MicrophoneStatusLine::placeMeter() {
    const qreal middle = topPadding + (height() - topPadding) / 2.0;
    meter_->move(width() - LevelMeter::meterWidth,
                 int(std::round(middle - LevelMeter::meterHeight / 2.0)));
}

void MicrophoneStatusLine::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeMeter();
}

void MicrophoneStatusLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal middle = topPadding + (height() - topPadding) / 2.0;
    const QRectF dot(0, middle - dotSize / 2, dotSize, dotSize);
    painter.setPen(Qt::NoPen);
    if (text_.live) {
        painter.setBrush(Theme::bioluminescent(dot));
    } else {
        painter.setBrush(Theme::slate);
    }
    painter.drawEllipse(dot);

    // Two runs on one line, the whole cut at the end: the lead first, then the name.
    const QFontMetricsF metrics(font());
    const qreal left = dotSize + spacing;
    const qreal available = qMax<qreal>(0, textRight() - left);
    // One line whatever the device's name holds; the runs keep their lengths.
    const QString shown =
        metrics.elidedText(design::ElidedLabel::oneLine(sentence()), Qt::ElideRight, available);
    const int leadLength = qMin(shown.size(), text_.lead.size());
    const QString lead = shown.left(leadLength);
    const QString rest = shown.mid(leadLength);
    const QRectF line(left, topPadding, available, height() - topPadding);
    painter.setPen(Theme::silver);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, lead);
    if (!rest.isEmpty()) {
        const qreal leadWidth = metrics.horizontalAdvance(lead);
        painter.setPen(Theme::mist);
        painter.drawText(line.adjusted(leadWidth, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, rest);
    }
}

} // namespace tavik::panes::settings
