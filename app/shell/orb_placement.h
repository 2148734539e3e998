#pragma once

#include <QList>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

// Where the floating button stands. Its saved origin is the button's bottom-left corner in a
// space whose origin is the bottom-left corner of the primary screen, y growing upward; that is
// how "orbOrigin" has always been written ("{1402, 121}"), so the value keeps its meaning on
// every desktop. Everything here works in that space; the desktop's top-left window positions
// are converted in one place, `Desktop`.
namespace tavik::orb_placement {

// One screen as the window system reports it: top-left coordinates, y growing downward.
struct ScreenArea {
    QRect geometry;
    QRect available; // less panels and docks
};

// One screen in the button's space.
struct Screen {
    QRectF frame;
    QRectF visible;
};

// The screens in the button's space, the primary one first, and the conversion of window
// positions between the two spaces.
class Desktop {
public:
    // `areas` in top-left coordinates, the primary screen first.
    explicit Desktop(QList<ScreenArea> areas);

    const QList<Screen>& screens() const { return screens_; }
    qsizetype screenCount() const { return screens_.size(); }

    // The window position (top-left corner, whole pixels) of a button of `size` whose
    // bottom-left corner is `origin`, and back.
    QPoint windowPosition(QPointF origin, QSizeF size) const;
    QPointF origin(QPoint windowPosition, QSizeF size) const;

private:
    QRectF flipped(const QRect& rect) const;

    int left_ = 0;   // the primary screen's left edge
    int bottom_ = 0; // the primary screen's bottom edge (exclusive), top-left coordinates
    QList<Screen> screens_;
};

// A point as text: "{x, y}", each number in its shortest exact form ("{1402, 121}").
QString format(QPointF point);
// The first two numbers of `text` as x and y. A missing number, or one that is not finite,
// counts as 0, so text without numbers gives the zero point.
QPointF parse(const QString& text);

// Whether `rect` holds `point`: the left and bottom edges belong to it, the right and top do not.
bool holds(const QRectF& rect, QPointF point);

// 36 px in from the right edge and 96 px above the bottom of the primary screen's visible area;
// (0, 0) without screens. The height does not enter.
QPointF defaultOrigin(QSizeF size, const QList<Screen>& screens);

// The saved origin pushed inside the visible area of the first screen that holds the button's
// centre (when that area is smaller than the button, its right or top edge is aligned); the
// default origin when nothing is saved or no screen holds the centre.
QPointF displayOrigin(const std::optional<QString>& saved, QSizeF size,
                      const QList<Screen>& screens);

} // namespace tavik::orb_placement
