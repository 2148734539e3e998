#include "app/shell/menu_window.h"

#include <QBackingStore>
#include <QEvent>
#include <QMenu>
#include <QPainter>
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

void preparePixels(QMenu& menu) {
    QBackingStore* store = menu.backingStore();
    if (store == nullptr || menu.isVisible()) {
        return;
    }
    const QSize size = menu.sizeHint();
    if (size.isEmpty() || store->size() == size) {
        return;
    }
    const QRect all(QPoint(), size);
    store->resize(size);
    store->beginPaint(all);
    if (QPaintDevice* pixels = store->paintDevice(); pixels != nullptr) {
        QPainter(pixels).fillRect(all, menu.palette().window());
    }
    store->endPaint();
}

} // namespace tavik
