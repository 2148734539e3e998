#pragma once

#include "app/dictation/dictation_state.h"
#include "app/shell/design/motion.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <QWidget>

#include <array>

namespace tavik {

class DictationController;

// Whether the pointer is over the floating button. Kept by the button's controller so the view
// can be rebuilt without losing it.
class OrbState final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    bool hovering() const { return hovering_; }
    void setHovering(bool hovering);

Q_SIGNALS:
    void hoveringChanged(bool hovering);

private:
    bool hovering_ = false;
};

// What the floating button draws at one moment, in pixels of its 74 px frame.
struct OrbLook {
    double level = 0;                        // L, 0…1: how loud the microphone is while recording
    double disc = 44;                        // the dark disc's diameter
    std::array<double, 3> rings{44, 44, 44}; // the three ripple rings' diameters
    std::array<double, 3> ringOpacity{0, 0, 0};
    QColor border; // the disc's outline
    double markOpacity = 1;
    double scale = 1; // the whole button, about its centre
};

// The floating button's face: a dark disc with the brand mark and three thin rings that ripple
// outward with the microphone level while a dictation records. It follows the controller's
// state and level, grows a little under the pointer (not while recording) and says in its
// tooltip what a click does. It only draws and tracks the pointer; clicks and drags belong to
// the window around it.
class RippleOrb final : public QWidget {
    Q_OBJECT
public:
    static constexpr int frameSize = 74;

    RippleOrb(DictationController& controller, OrbState& hover, QWidget* parent = nullptr);
    ~RippleOrb() override;

    // The look as drawn now: between two states while an animation runs.
    OrbLook shown() const;

    // L for a controller level in decibels: -55 dB and below give 0, -10 dB and above give 1;
    // a level that is not a number gives 0.
    static double levelFor(float decibels);

    QSize sizeHint() const override { return {frameSize, frameSize}; }

Q_SIGNALS:
    // The diameter of the drawn disc changed (a window without transparency follows it).
    void discChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void showState(const dictation::State& state);
    void showLevel(float decibels);
    void showHovering();
    bool recording() const { return state_.is(dictation::State::Kind::recording); }

    OrbState& hover_;
    dictation::State state_;
    float decibels_;
    design::Tween level_;     // L
    design::Tween recording_; // 0 idle … 1 recording
    design::Tween scale_;
    double lastDisc_ = 0;
};

} // namespace tavik
