#pragma once

#include <QBasicTimer>
#include <QRectF>
#include <QWidget>

#include <functional>

class QPainter;

namespace tavik::panes::settings {

// The live input level beside "Listening on …": a track with a bar whose width follows the
// level in dBFS. While it runs it pulls the level every 0.08 s, and only while it is on
// screen: a hidden or minimised window costs nothing. A tick that would not move the bar
// repaints nothing.
class LevelMeter final : public QWidget {
    Q_OBJECT
public:
    static constexpr int intervalMs = 80;
    static constexpr int meterWidth = 88;
    static constexpr int meterHeight = 4;

    // `level` answers the current level; it is called on the main thread at each tick.
    explicit LevelMeter(std::function<float()> level, QWidget* parent = nullptr);

    // Whether a device is capturing: the meter ticks only then (and while visible).
    void setRunning(bool running);
    bool running() const { return running_; }
    bool ticking() const { return timer_.isActive(); }

    // Reads the level now, as a tick does.
    void tick();
    float level() const { return db_; }
    // The bar's width for the level last read, in pixels.
    double barWidth() const;

    QSize sizeHint() const override { return {meterWidth, meterHeight}; }

    // Draws the track and the bar for `db` into `track`; allocates nothing once warm.
    static void paint(QPainter& painter, const QRectF& track, float db);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void updateTimer();

    std::function<float()> source_;
    QBasicTimer timer_;
    bool running_ = false;
    // Between a show and a hide event. Minimising the window hides the meter without
    // clearing isVisible(), so that cannot tell.
    bool onScreen_ = false;
    float db_ = -80;
    double paintedWidth_ = -1;
};

} // namespace tavik::panes::settings
