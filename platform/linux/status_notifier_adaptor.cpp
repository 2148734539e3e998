#include "platform/linux/status_notifier_adaptor.h"

namespace tavik::platform {

StatusNotifierAdaptor::StatusNotifierAdaptor(QObject* object, const StatusNotifierFace& face,
                                             MenuRequest requested)
    : QDBusAbstractAdaptor(object), face_(face), requested_(std::move(requested)) {}

void StatusNotifierAdaptor::ContextMenu(int x, int y) {
    requested_(x, y);
}

// Panels that honour ItemIsMenu open the exported menu themselves and never call this; the
// others hand the click back, and the application opens the same menu.
void StatusNotifierAdaptor::Activate(int x, int y) {
    requested_(x, y);
}

void StatusNotifierAdaptor::SecondaryActivate(int, int) {}

void StatusNotifierAdaptor::Scroll(int, const QString&) {}

} // namespace tavik::platform
