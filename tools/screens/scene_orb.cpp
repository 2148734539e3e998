// The floating button in each state it shows, over a plain desktop-grey backdrop so its
// transparent corners and faint rings can be seen.
#include "app/dictation/dictation_controller.h"
#include "app/shell/ripple_orb.h"
#include "tools/screens/scene.h"

#include <QPainter>

#include <optional>

namespace tavik::screens {
namespace {

using dictation::State;

class Backdrop final : public QWidget {
public:
    Backdrop(DictationController& controller, bool hovering) {
        setFixedSize(120, 120);
        hover_.setHovering(hovering);
        auto* orb = new RippleOrb(controller, hover_, this);
        orb->move((width() - RippleOrb::frameSize) / 2, (height() - RippleOrb::frameSize) / 2);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0x5B, 0x63, 0x6E));
    }

private:
    OrbState hover_;
};

// The scene publishes the state (and level) itself, as the controller would.
Scene orbScene(const QString& name, State state, std::optional<float> decibels = std::nullopt,
               bool hovering = false) {
    return Scene{QStringLiteral("shell-orb-") + name, QSize(),
                 [state, decibels, hovering](SceneContext& c) -> QWidget* {
                     auto* backdrop = new Backdrop(c.controller(), hovering);
                     emit c.controller().stateChanged(state);
                     if (decibels) {
                         emit c.controller().levelChanged(*decibels);
                     }
                     return backdrop;
                 }};
}

const SceneRegistration orbScenes[] = {
    SceneRegistration{orbScene("idle", State::idle())},
    SceneRegistration{orbScene("hover", State::idle(), std::nullopt, true)},
    SceneRegistration{orbScene("recording-quiet", State::recording(), -80.0f)},
    SceneRegistration{orbScene("recording", State::recording(), -32.5f)},
    SceneRegistration{orbScene("recording-loud", State::recording(), 0.0f, true)},
    SceneRegistration{orbScene("working", State::transcribing())},
    SceneRegistration{orbScene("failed", State::failed("Microphone unavailable"))},
};

} // namespace
} // namespace tavik::screens
