#include "platform/display_check.h"

#include <X11/Xlib.h>

namespace tavik::platform {

QString whyNoDisplay() {
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith(QLatin1String("xcb"))) {
        return QString();
    }
    const QByteArray name = qgetenv("DISPLAY");
    if (name.isEmpty()) {
        return QStringLiteral("Tavik needs an X11 display, and the DISPLAY variable is not set");
    }
    Display* display = XOpenDisplay(name.constData());
    if (display == nullptr) {
        // Shown on a terminal: a control character of the variable's must not act there.
        QString shown = QString::fromLocal8Bit(name.left(200));
        for (QChar& c : shown) {
            if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) {
                c = QLatin1Char('?');
            }
        }
        return QStringLiteral("Tavik needs an X11 display, and the one the DISPLAY variable "
                              "names (\"%1\") cannot be opened")
            .arg(shown);
    }
    XCloseDisplay(display);
    return QString();
}

} // namespace tavik::platform
