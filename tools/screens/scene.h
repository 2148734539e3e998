#pragma once

#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>

namespace tavik {
class AppState;
class DictationController;
} // namespace tavik

namespace tavik::screens {

// What a scene may use. Every scene runs in a process of its own under a fresh HOME/XDG tree,
// so it seeds the stores it shows before it first touches them.
class SceneContext {
public:
    virtual ~SceneContext() = default;
    // A real controller over scripted parts (no microphone, model or shortcut).
    virtual DictationController& controller() = 0;
    virtual AppState& appState() = 0;
    // Lets the event loop run, e.g. after a state change, so animations and layouts settle.
    virtual void settle(int ms = 150) = 0;
};

struct Scene {
    QString name; // the PNG's file name, without ".png"
    QSize size;   // the window's size; an empty size keeps the widget's own size hint
    // Makes the top-level widget to capture. The widget is shown, settled and grabbed.
    std::function<QWidget*(SceneContext&)> make;
    // The device pixel ratio the scene's process runs at (Qt's scale factor).
    double scale = 1;
    // Taken from the screen where the widget stands, with every window over it, instead of
    // from the widget alone: what the X server shows, shaped windows cut as they are.
    bool fromScreen = false;
};

// Scenes register themselves from their own file: `static SceneRegistration one{Scene{…}};`.
struct SceneRegistration {
    explicit SceneRegistration(Scene scene);
};

} // namespace tavik::screens
