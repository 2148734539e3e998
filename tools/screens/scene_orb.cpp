// The floating button in each state it shows, over a plain desktop-grey backdrop so its
// transparent corners and faint rings can be seen; and its real window on a scaled screen, cut
// to its shape by the X server.
#include "app/dictation/dictation_controller.h"
#include "app/shell/orb_panel.h"
#include "app/shell/ripple_orb.h"
#include "tools/screens/scene.h"

#include <QPainter>

#include <memory>

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

// The button's own window standing over the middle of a grey backdrop window, as on a desktop
// without a compositor: only its disc shows.
class WindowOverBackdrop final : public QWidget {
public:
    explicit WindowOverBackdrop(DictationController& controller)
        : panel_(std::make_unique<OrbPanel>(new RippleOrb(controller, hover_))) {
        setFixedSize(120, 120);
    }

protected:
    void showEvent(QShowEvent*) override {
        const QPoint middle = mapToGlobal(rect().center()) + QPoint(1, 1);
        panel_->move(middle - QPoint(RippleOrb::frameSize / 2, RippleOrb::frameSize / 2));
        panel_->present();
    }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0x5B, 0x63, 0x6E));
    }

private:
    OrbState hover_;
    std::unique_ptr<OrbPanel> panel_;
};

Scene windowScene(const QString& name, State state, std::optional<float> decibels) {
    Scene scene{QStringLiteral("shell-orb-window-") + name + QStringLiteral("-scale-2"), QSize(),
                [state, decibels](SceneContext& c) -> QWidget* {
                    auto* backdrop = new WindowOverBackdrop(c.controller());
                    emit c.controller().stateChanged(state);
                    if (decibels) {
                        emit c.controller().levelChanged(*decibels);
                    }
                    return backdrop;
                }};
    scene.scale = 2;
    scene.fromScreen = true;
    return scene;
}

const SceneRegistration orbScenes[] = {
    SceneRegistration{windowScene("idle", State::idle(), std::nullopt)},
    SceneRegistration{windowScene("recording", State::recording(), 0.0f)},
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
