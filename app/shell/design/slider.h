#pragma once

#include "app/shell/design/control_state.h"

#include <QWidget>

#include <optional>

namespace tavik::design {

//   ━━━━━━━━━━━━━━━◯───────────────   16 high: a 4 px deep track with a hairline border, the
//   gradient fill up to the value      filled part, a 13 px mist thumb whose centre follows
//                                      the value and never leaves the track's ends
// A horizontal slider over [lower, upper] that snaps to whole multiples of `step` counted from
// zero. A press, and every move while pressed, reports the value under the pointer through
// valueEdited (also when it equals the current one); only the person's changes are reported.
// setValue shows the caller's value, except mid-drag, where the pointer has the say. Arrow
// keys, Page Up/Down, Home and End move it too (a step at a time, ten steps, the ends).
class TavikSlider : public QWidget {
    Q_OBJECT
public:
    struct Geometry {
        qreal fillWidth; // of the gradient part, from the left end
        qreal thumbX;    // the thumb's left edge
    };

    // The value a press at x on a slider `width` wide sets: raw = lower + (upper − lower)·x/width,
    // snapped to step·round(raw/step) (halves away from zero), then kept within the bounds.
    // Nothing when the slider has no width (a press there has no place on the track). A step of
    // zero or less leaves the value unsnapped.
    static std::optional<double> valueForX(double x, double width, double lower, double upper,
                                           double step);
    // Where the fill ends and the thumb stands for `value` on a slider `width` wide. A range of
    // no length (or a value that is not a number) draws the empty track with the thumb at the
    // left.
    static Geometry layout(double value, double width, double lower, double upper);

    TavikSlider(double lower, double upper, double step = 1, QWidget* parent = nullptr);

    double value() const { return value_; }
    void setValue(double value); // no signal: the caller's own value coming back
    bool isDragging() const { return dragging_; }
    double lower() const { return lower_; }
    double upper() const { return upper_; }
    double step() const { return step_; }
    void setRange(double lower, double upper, double step = 1);

    ControlStateHook& stateHook() { return hook_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int controlHeight = 16;
    static constexpr int trackHeight = 4;
    static constexpr int thumb = 13;

signals:
    void valueEdited(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void pressAt(double x);
    void display(double value);
    void stepBy(double delta);

    double lower_;
    double upper_;
    double step_;
    double value_;
    bool dragging_ = false;
    ControlStateHook hook_;
};

} // namespace tavik::design
