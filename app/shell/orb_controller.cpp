#include "app/shell/orb_controller.h"

#include "app/dictation/dictation_controller.h"
#include "app/shell/design/menu_appearance.h"
#include "app/shell/orb_panel.h"
#include "app/stores/diagnostic_log.h"
#include "app/stores/preferences.h"
#include "platform/defaults_store.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTimer>

#include <cmath>

namespace tavik {

using orb_placement::Desktop;
using orb_placement::ScreenArea;

namespace {

QString key() {
    return QString::fromLatin1(OrbController::defaultsKey);
}

std::optional<QString> savedOrigin() {
    return platform::DefaultsStore::shared().string(key());
}

void saveOrigin(QPointF origin) {
    platform::DefaultsStore::shared().setString(key(), orb_placement::format(origin));
}

} // namespace

OrbController::OrbController(DictationController& controller, FloatingButtonActions actions,
                             ScreensSource screens, QObject* parent)
    : QObject(parent), controller_(controller), actions_(std::move(actions)),
      screens_(screens ? std::move(screens) : ScreensSource(&OrbController::qtScreens)) {}

OrbController::~OrbController() = default;

void OrbController::show() {
    if (!panel_) {
        build();
    } else {
        place();
    }
    panel_->present();
}

void OrbController::hide() {
    if (panel_) {
        panel_->hide();
    }
}

bool OrbController::isVisible() const {
    return panel_ && panel_->isVisible();
}

void OrbController::build() {
    panel_ = std::make_unique<OrbPanel>(new RippleOrb(controller_, state_));
    // The panel lives inside this controller, so its callbacks never outlive it.
    panel_->onClick = [this] {
        controller_.toggleFromOrb();
    };
    panel_->onRightClick = [this](QPoint global) {
        showMenu(global);
    };
    panel_->onMoved = [this](QPoint position) {
        requested_ = position;
        saveOrigin(desktop().origin(position, panelSize));
    };
    const Desktop now = desktop();
    // The first positioning is no move worth a log line.
    moveTo(now.windowPosition(orb_placement::displayOrigin(savedOrigin(), panelSize, now.screens()),
                              panelSize));
    watchScreens();
}

void OrbController::place() {
    // A drag in progress owns the window; the saved origin is the one from before it.
    if (!panel_ || panel_->pressed()) {
        return;
    }
    const Desktop now = desktop();
    const QPointF origin = orb_placement::displayOrigin(savedOrigin(), panelSize, now.screens());
    const QPoint target = now.windowPosition(origin, panelSize);
    if (target == panel_->pos() || target == requested_) {
        return;
    }
    moveTo(target);
    slog(QStringLiteral("orb: moved to %1,%2 for %3 connected screen(s)")
             .arg(qint64(std::trunc(origin.x())))
             .arg(qint64(std::trunc(origin.y())))
             .arg(now.screenCount()));
}

void OrbController::resetPosition() {
    if (!panel_) {
        return;
    }
    const Desktop now = desktop();
    const QPointF origin = orb_placement::defaultOrigin(panelSize, now.screens());
    moveTo(now.windowPosition(origin, panelSize));
    saveOrigin(origin);
    panel_->present();
    panel_->raise();
}

QPointF OrbController::displayOrigin(QSizeF size) const {
    return orb_placement::displayOrigin(savedOrigin(), size, desktop().screens());
}

QPointF OrbController::defaultOrigin(QSizeF size) const {
    return orb_placement::defaultOrigin(size, desktop().screens());
}

void OrbController::moveTo(QPoint position) {
    requested_ = position;
    panel_->move(position);
}

Desktop OrbController::desktop() const {
    return Desktop(screens_());
}

QList<ScreenArea> OrbController::qtScreens() {
    QList<ScreenArea> areas;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary != nullptr) {
        areas.push_back({primary->geometry(), primary->availableGeometry()});
    }
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary) {
            areas.push_back({screen->geometry(), screen->availableGeometry()});
        }
    }
    return areas;
}

void OrbController::watchScreens() {
    auto* app = qGuiApp;
    if (app == nullptr) {
        return;
    }
    connect(app, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        watchScreen(screen);
        schedulePlace();
    });
    connect(app, &QGuiApplication::screenRemoved, this, &OrbController::schedulePlace);
    connect(app, &QGuiApplication::primaryScreenChanged, this, &OrbController::schedulePlace);
    for (QScreen* screen : QGuiApplication::screens()) {
        watchScreen(screen);
    }
}

void OrbController::watchScreen(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, &OrbController::schedulePlace);
    connect(screen, &QScreen::availableGeometryChanged, this, &OrbController::schedulePlace);
}

// One placement after a burst of screen changes, once Qt has taken all of them in.
void OrbController::schedulePlace() {
    if (placeScheduled_) {
        return;
    }
    placeScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        placeScheduled_ = false;
        place();
    });
}

QMenu* OrbController::makeMenu() {
    auto* menu = new QMenu;
    const auto add = [menu](const QString& title, const QString& represented) {
        menu->addAction(title)->setData(represented);
    };
    add(QStringLiteral("Open Tavik"), QStringLiteral("main"));
    add(QStringLiteral("Settings…"), QStringLiteral("settings"));
    menu->addSeparator();
    add(QStringLiteral("Move to default position"), QStringLiteral("reset"));
    add(QStringLiteral("Hide this button"), QStringLiteral("hide"));
    menu->addSeparator();
    add(QStringLiteral("Quit Tavik"), QStringLiteral("quit"));
    connect(menu, &QMenu::triggered, this, &OrbController::handleMenu);
    design::applyTavikAppearance(menu);
    return menu;
}

void OrbController::showMenu(QPoint global) {
    if (!panel_) {
        return;
    }
    QMenu* menu = makeMenu();
    // Deleted once closed; a chosen item has been handled by then.
    connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    menu->popup(global);
}

void OrbController::handleMenu(const QAction* item) {
    if (item == nullptr || item->data().typeId() != QMetaType::QString) {
        return;
    }
    const QString chosen = item->data().toString();
    const auto run = [](const std::function<void()>& callback) {
        if (callback) {
            callback();
        }
    };
    if (chosen == QLatin1String("main")) {
        run(actions_.openMain);
    } else if (chosen == QLatin1String("settings")) {
        run(actions_.openSettings);
    } else if (chosen == QLatin1String("reset")) {
        resetPosition();
    } else if (chosen == QLatin1String("hide")) {
        Preferences::shared().setShowOrb(false);
        hide();
    } else if (chosen == QLatin1String("quit")) {
        run(actions_.quit);
    }
}

std::unique_ptr<FloatingButton> makeOrbController(DictationController& controller,
                                                  FloatingButtonActions actions) {
    return std::make_unique<OrbController>(controller, std::move(actions));
}

} // namespace tavik
