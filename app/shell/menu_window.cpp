#include "app/shell/menu_window.h"

#include <QEvent>
#include <QMenu>
#include <QWindow>

namespace tavik {

namespace {

// Turns the window's close into a hide of its menu: the menu closes as it would (its
// aboutToHide, the popup's release of the pointer and keyboard) but its window stays made.
class CloseAsHide final : public QObject {
public:
    explicit CloseAsHide(QMenu& menu) : QObject(&menu), menu_(menu) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            menu_.hide();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QMenu& menu_;
};

} // namespace

void keepNativeWindow(QMenu& menu) {
    menu.winId();
    if (QWindow* window = menu.windowHandle()) {
        window->installEventFilter(new CloseAsHide(menu));
    }
}

} // namespace tavik
