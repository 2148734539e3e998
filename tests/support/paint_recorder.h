#pragma once

#include <QEvent>
#include <QObject>
#include <QPaintEvent>
#include <QRegion>
#include <QWidget>

namespace tavik::test {

// What a widget repaints: the union of its paint events' regions, as it is asked for them. Owned
// by the widget it watches.
class PaintRecorder final : public QObject {
public:
    explicit PaintRecorder(QWidget& widget) : QObject(&widget) { widget.installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return QObject::eventFilter(watched, event);
    }

    QRegion painted;
};

} // namespace tavik::test
