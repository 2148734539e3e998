#pragma once

#include "app/shell/floating_button.h"
#include "app/shell/orb_placement.h"
#include "app/shell/ripple_orb.h"

#include <QObject>
#include <QPointF>
#include <QSizeF>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QScreen;

namespace tavik {

class OrbPanel;

// The floating button: builds its window on the first show, stands it where it was left (kept
// on a connected screen as screens come and go), turns a click into a hands-free dictation or
// its end, keeps the place a drag leaves it at under "orbOrigin", and offers its menu. The
// window is made once and only shown and hidden afterwards. Main thread only.
class OrbController final : public QObject, public FloatingButton {
    Q_OBJECT
public:
    // The screens, the primary one first. Tests give their own; by default, Qt's.
    using ScreensSource = std::function<QList<orb_placement::ScreenArea>()>;

    OrbController(DictationController& controller, FloatingButtonActions actions,
                  ScreensSource screens = {}, QObject* parent = nullptr);
    ~OrbController() override;

    // Builds the window on the first call, then only places it; shows it without activating
    // anything. Called ten times a second: when nothing changed it reads one setting, walks
    // the screens and compares, and asks nothing of the window system.
    void show() override;
    void hide() override;
    bool isVisible() const override;

    // To the default place, kept under "orbOrigin"; nothing before the first show.
    void resetPosition();
    // To the place the saved origin and the screens give; logged when it moves.
    void place();

    QPointF displayOrigin(QSizeF size) const;
    QPointF defaultOrigin(QSizeF size) const;

    // The context menu as it opens; the caller owns it.
    QMenu* makeMenu();
    // Pops the menu up at a point on the screen.
    void showMenu(QPoint global);

    OrbState& state() { return state_; }
    // Null before the first show.
    OrbPanel* panel() const { return panel_.get(); }

    static constexpr const char* defaultsKey = "orbOrigin";
    static constexpr QSizeF panelSize{74, 74};

private:
    void build();
    void handleMenu(const QAction* item);
    void watchScreens();
    void watchScreen(QScreen* screen);
    void schedulePlace();
    void moveTo(QPoint position);
    orb_placement::Desktop desktop() const;
    static QList<orb_placement::ScreenArea> qtScreens();

    DictationController& controller_;
    FloatingButtonActions actions_;
    ScreensSource screens_;
    OrbState state_;
    std::unique_ptr<OrbPanel> panel_;
    // The last position this controller asked for: a window manager that puts the window a
    // little elsewhere must not make every later placement move (and log) again.
    std::optional<QPoint> requested_;
    bool placeScheduled_ = false;
};

// The factory the application hands its delegate.
std::unique_ptr<FloatingButton> makeOrbController(DictationController& controller,
                                                  FloatingButtonActions actions);

} // namespace tavik
