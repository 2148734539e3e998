#include "app/shell/status_item.h"

#include "app/shell/design/look.h"
#include "app/shell/tray_icons.h"
#include "app/stores/diagnostic_log.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

namespace tavik {

StatusItem::StatusItem(ItemsSource items, Chosen chosen, QObject* parent)
    : QObject(parent), items_(std::move(items)), chosen_(std::move(chosen)),
      menu_(std::make_unique<QMenu>()) {
    tray_ = new QSystemTrayIcon(this);
    // What a screen reader and a hovering pointer are told the item is.
    tray_->setToolTip(QStringLiteral("Tavik"));
    menu_->setTitle(QStringLiteral("Tavik"));
    prepareMenu(*menu_);
    connect(menu_.get(), &QMenu::aboutToShow, this, &StatusItem::rebuild);
    tray_->setContextMenu(menu_.get());
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                // An XEmbed tray opens the context menu on a right click only; a left click should
                // open the same menu.
                if (why == QSystemTrayIcon::Trigger && !menu_->isVisible()) {
                    menu_->popup(QCursor::pos());
                }
            });
}

StatusItem::~StatusItem() {
    // The tray icon refers to the menu; it goes first.
    delete tray_;
    tray_ = nullptr;
}

void StatusItem::show() {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        slog(QStringLiteral("status item: no system tray available"));
    }
    // Shown all the same: Qt docks the icon when a tray appears later.
    tray_->show();
}

void StatusItem::setState(const dictation::State& state) {
    const QString name = tray_icons::iconName(state);
    if (name == iconName_) {
        return;
    }
    iconName_ = name;
    tray_->setIcon(tray_icons::icon(name));
}

void StatusItem::prepareMenu(QMenu& menu) {
    menu.setPalette(design::desktopPalette());
}

void StatusItem::rebuild() {
    status_menu::fill(*menu_, items_(), chosen_);
}

} // namespace tavik
