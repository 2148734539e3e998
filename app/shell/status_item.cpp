#include "app/shell/status_item.h"

#include "app/shell/design/look.h"
#include "app/shell/menu_window.h"
#include "app/shell/tray_icons.h"
#include "app/shell/tray_presence.h"
#include "app/stores/diagnostic_log.h"
#include "platform/status_notifier_item.h"
#include "platform/xembed_tray.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

namespace tavik {

using Presence = platform::StatusNotifierItem::Presence;

namespace {

QList<platform::TrayMenuEntry> trayEntries(const QList<status_menu::Item>& items) {
    QList<platform::TrayMenuEntry> entries;
    entries.reserve(items.size());
    for (const status_menu::Item& item : items) {
        platform::TrayMenuEntry entry;
        entry.key = item.key;
        entry.separator = item.separator;
        entry.label = status_menu::shownTitle(item.title);
        entry.enabled = item.enabled;
        entry.shortcut = item.shortcut;
        entry.description = item.toolTip;
        entries << entry;
    }
    return entries;
}

} // namespace

StatusItem::StatusItem(ItemsSource items, Chosen chosen, QObject* parent)
    : QObject(parent), items_(std::move(items)), chosen_(std::move(chosen)),
      menu_(std::make_unique<QMenu>()),
      notifier_(std::make_unique<platform::StatusNotifierItem>(
          QStringLiteral("com.trelvanic.tavik"), QStringLiteral("Tavik"))),
      xembedTray_(std::make_unique<platform::XEmbedTray>()) {
    menu_->setTitle(QStringLiteral("Tavik"));
    prepareMenu(*menu_);
    // Filled before any tray sees it; opening it only makes sure it is current.
    rebuild();
    connect(menu_.get(), &QMenu::aboutToShow, this, &StatusItem::rebuild);
    keepNativeWindow(*menu_);
    connect(notifier_.get(), &platform::StatusNotifierItem::entryChosen, this, &StatusItem::choose);
    connect(notifier_.get(), &platform::StatusNotifierItem::menuRequested, this,
            &StatusItem::popUpMenu);
    connect(notifier_.get(), &platform::StatusNotifierItem::presenceChanged, this,
            &StatusItem::followTrays);
    rebuildTimer_.setSingleShot(true);
    // A timer of its own, not a queued call: the repaints a change asked for are posted events,
    // which the event loop hands out before it looks at timers.
    rebuildTimer_.setInterval(0);
    connect(&rebuildTimer_, &QTimer::timeout, this, &StatusItem::rebuild);
    graceTimer_.setSingleShot(true);
    graceTimer_.setInterval(restartGraceMs);
    connect(&graceTimer_, &QTimer::timeout, this, [this] {
        graceOver_ = true;
        followTrays();
    });
    connect(xembedTray_.get(), &platform::XEmbedTray::changed, this, [this] {
        followInk(); // the tray's colours may have changed with it
        applyIcon();
        followTrays();
    });
    followInk();
    applyIcon();
}

StatusItem::~StatusItem() {
    // The tray icon refers to the menu; it goes first.
    delete tray_;
    tray_ = nullptr;
    if (showing_) {
        TrayPresence::shared().setShown(false);
    }
}

void StatusItem::show() {
    if (showing_) {
        return;
    }
    showing_ = true;
    notifier_->publish();
    followTrays();
    QTimer::singleShot(0, this, &StatusItem::drawIcons);
}

// A D-Bus panel that shows the item takes it from an XEmbed tray; without one, the XEmbed icon
// is shown (and docks whenever such a tray is there). While the bus is still being asked,
// nothing changes, so the icon never shows twice.
void StatusItem::followTrays() {
    if (!showing_) {
        return;
    }
    const Presence presence = notifier_->presence();
    if (presence == Presence::shown) {
        shownOnDBus_ = true;
        if (tray_ != nullptr) {
            tray_->hide();
        }
    } else if (presence == Presence::absent) {
        if (tray_ == nullptr && shownOnDBus_ && !graceOver_) {
            // A panel that restarts is back within moments; the XEmbed icon waits for it a
            // little, so that its first making never meets a watcher half-way there.
            if (!graceTimer_.isActive()) {
                graceTimer_.start();
            }
        } else {
            ensureXEmbedIcon();
            tray_->show();
        }
    }
    shownInTray_ = presence == Presence::shown ||
                   (tray_ != nullptr && tray_->isVisible() && xembedTray_->present());
    TrayPresence::shared().setShown(shownInTray_);
    if (presence != Presence::probing && !shownInTray_ && !toldNoTray_) {
        toldNoTray_ = true;
        slog(QStringLiteral("status item: no system tray available"));
    }
}

// Made only once the bus has answered that no D-Bus panel shows the item: Qt settles for good,
// when its first tray icon is made, whether it exports that icon over D-Bus itself, and it
// must not, beside this item.
void StatusItem::ensureXEmbedIcon() {
    if (tray_ != nullptr) {
        return;
    }
    tray_ = new QSystemTrayIcon(this);
    // What a screen reader and a hovering pointer are told the item is.
    tray_->setToolTip(QStringLiteral("Tavik"));
    tray_->setContextMenu(menu_.get());
    tray_->setIcon(drawn(iconName_).icon);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                // An XEmbed tray opens the context menu on a right click only; a left click should
                // open the same menu.
                if (why == QSystemTrayIcon::Trigger && !menu_->isVisible()) {
                    menu_->popup(QCursor::pos());
                }
            });
}

void StatusItem::setState(const dictation::State& state) {
    state_ = state;
    applyIcon();
}

void StatusItem::followInk() {
    ink_ = tray_icons::ink(xembedTray_->foreground(), design::desktopPalette());
}

void StatusItem::applyIcon() {
    const QString name = tray_icons::iconName(state_);
    if (name == iconName_ && ink_ == shownInk_) {
        return;
    }
    iconName_ = name;
    const Drawn& icon = drawn(name);
    notifier_->setIcon({tray_icons::themedName(state_), tray_icons::themeFolder(), icon.images});
    if (tray_ != nullptr) {
        tray_->setIcon(icon.icon);
    }
}

const StatusItem::Drawn& StatusItem::drawn(const QString& name) {
    if (ink_ != shownInk_) {
        drawn_.clear();
        shownInk_ = ink_;
    }
    auto found = drawn_.find(name);
    if (found == drawn_.end()) {
        // Drawn once for both kinds of tray: drawing the resting artwork reads its files.
        QList<QImage> images = tray_icons::images(name, ink_);
        QIcon icon = tray_icons::icon(images);
        found = drawn_.insert(name, {std::move(images), std::move(icon)});
    }
    return *found;
}

// Every state's icon, drawn while nothing waits, so that a dictation's start or end only
// swaps pixmaps.
void StatusItem::drawIcons() {
    for (const dictation::State& state :
         {dictation::State::loading(), dictation::State::idle(), dictation::State::recording(),
          dictation::State::transcribing(), dictation::State::failed(QString())}) {
        drawn(tray_icons::iconName(state));
    }
}

void StatusItem::prepareMenu(QMenu& menu) {
    menu.setPalette(design::desktopPalette());
}

void StatusItem::rebuild() {
    rebuildTimer_.stop();
    QList<status_menu::Item> items = items_();
    // Most changes the menu follows (a state that comes back, a history change past the eighth
    // dictation) change nothing in it; neither menu is touched then.
    if (status_menu::sameLines(items, lines_)) {
        return;
    }
    status_menu::fill(*menu_, items, chosen_);
    preparePixels(*menu_);
    notifier_->setMenu(trayEntries(items));
    lines_ = std::move(items);
}

void StatusItem::scheduleRebuild() {
    if (!rebuildTimer_.isActive()) {
        rebuildTimer_.start();
    }
}

// A line chosen on a D-Bus panel does what the same line of Tavik's own menu does, even when
// it left the menu a moment ago.
void StatusItem::choose(const QString& key) {
    if (QAction* item = status_menu::itemFor(*menu_, key); item != nullptr && item->isEnabled()) {
        item->trigger();
    }
}

// Panels give the place in device pixels, or (0, 0) when they do not know it.
void StatusItem::popUpMenu(const QPoint& physical) {
    QPoint at = QCursor::pos();
    if (!physical.isNull()) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        at = screen != nullptr ? physical / screen->devicePixelRatio() : physical;
    }
    rebuild();
    menu_->popup(at);
}

} // namespace tavik
