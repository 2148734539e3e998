#include "app/shell/window_frame.h"

#include <QStringList>

#include <algorithm>

namespace tavik::window_frame {

QString format(const QRect& frame) {
    return QStringLiteral("%1 %2 %3 %4")
        .arg(frame.x())
        .arg(frame.y())
        .arg(frame.width())
        .arg(frame.height());
}

std::optional<QRect> parse(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 4) {
        return std::nullopt;
    }
    int values[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts.at(i).toInt(&ok);
        if (!ok) {
            return std::nullopt;
        }
    }
    if (values[2] <= 0 || values[3] <= 0) {
        return std::nullopt;
    }
    return QRect(values[0], values[1], values[2], values[3]);
}

QRect placement(const std::optional<QRect>& saved, QSize defaultSize, QSize minimum,
                const QList<QRect>& screens) {
    QSize size = saved ? saved->size() : defaultSize;
    if (screens.isEmpty()) {
        return QRect(QPoint(0, 0), size.expandedTo(minimum));
    }
    QRect screen = screens.first();
    if (saved) {
        const auto holder = std::find_if(screens.begin(), screens.end(), [&](const QRect& area) {
            return area.contains(saved->center());
        });
        if (holder != screens.end()) {
            screen = *holder;
        }
    }
    size = size.boundedTo(screen.size()).expandedTo(minimum.boundedTo(screen.size()));
    QRect frame(QPoint(0, 0), size);
    frame.moveCenter(screen.center());
    // Keep the top-left corner, where the title bar begins, on the screen.
    frame.moveTopLeft(
        QPoint(std::max(frame.left(), screen.left()), std::max(frame.top(), screen.top())));
    return frame;
}

std::optional<QRect> fitFramed(const QRect& client, const QMargins& frame, const QRect& available) {
    const QRect framed = client.marginsAdded(frame);
    if (available.isEmpty() || available.contains(framed)) {
        return std::nullopt;
    }
    QRect fitted = framed;
    fitted.setSize(framed.size().boundedTo(available.size()));
    fitted.moveLeft(
        std::clamp(fitted.left(), available.left(), available.right() - fitted.width() + 1));
    fitted.moveTop(
        std::clamp(fitted.top(), available.top(), available.bottom() - fitted.height() + 1));
    return fitted.marginsRemoved(frame);
}

} // namespace tavik::window_frame
