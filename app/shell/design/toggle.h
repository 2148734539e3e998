#pragma once

#include "app/shell/design/control_state.h"
#include "app/shell/design/motion.h"

#include <QAbstractButton>

namespace tavik::design {

//   ╭────────────╮
//   │ ●          │ 10  label (13 px, mist)      off: deep track, silver knob at the left
//   ╰────────────╯                              on: gradient track, dark knob at the right
//   34 × 19, knob 13 with 3 around it           the whole row is the hit area
// The on/off switch (the design's toggle style as a widget). toggled(bool) reports each flip,
// by click, Space or setChecked; a caller echoing its store's value back uses setChecked under
// a QSignalBlocker. Flips on screen slide and crossfade over 0.14 s; a value set while the
// switch is not shown is taken at once.
class TavikToggle : public QAbstractButton {
    Q_OBJECT
public:
    explicit TavikToggle(const QString& text = {}, QWidget* parent = nullptr);

    // 0 = off, 1 = on; between the two while the knob slides.
    double progress() const { return progress_.value(); }
    ControlStateHook& stateHook() { return hook_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    static constexpr int trackWidth = 34;
    static constexpr int trackHeight = 19;
    static constexpr int knob = 13;
    static constexpr int inset = 3;
    static constexpr int spacing = 10;
    static constexpr int durationMs = 140;

    // The track's and knob's rectangles in a widget `height` high, at progress t.
    static QRectF trackRect(int height);
    static QRectF knobRect(int height, double t);

protected:
    void paintEvent(QPaintEvent* event) override;
    // Both ways the state changes (a click; setChecked, also under a signal blocker) move the knob.
    void nextCheckState() override;
    void checkStateSet() override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void follow();

    Tween progress_;
    ControlStateHook hook_;
};

} // namespace tavik::design
