#include "app/shell/design/glyph_drawings.h"

#include <QHash>
#include <QPainterPathStroker>
#include <QtMath>

#include <functional>

namespace tavik::design::glyph_drawings {

namespace {

// Builds a glyph's ink from strokes and fills in grid units.
class Ink {
public:
    explicit Ink(qreal unitPixels) : minWidth_(unitPixels > 0 ? 1.0 / unitPixels : 0) {}

    // The regular line (2 units: 1 px at 12 px) and a heavier one for handles and wands.
    qreal line() const { return qMax(1.9, minWidth_); }
    qreal heavy() const { return qMax(2.6, minWidth_); }

    void stroke(const QPainterPath& path, qreal width = 0, Qt::PenCapStyle cap = Qt::RoundCap) {
        QPainterPathStroker stroker;
        stroker.setWidth(width > 0 ? qMax(width, minWidth_) : line());
        stroker.setCapStyle(cap);
        stroker.setJoinStyle(Qt::RoundJoin);
        add(stroker.createStroke(path));
    }
    void fill(const QPainterPath& path) { add(path); }
    void cut(const QPainterPath& path) { path_ = path_.subtracted(path); }
    // A stroke's outline cut out of what is already inked (the gap around a knocked-out mark).
    void cutStroke(const QPainterPath& path, qreal width) {
        QPainterPathStroker stroker;
        stroker.setWidth(qMax(width, minWidth_));
        stroker.setCapStyle(Qt::RoundCap);
        stroker.setJoinStyle(Qt::RoundJoin);
        cut(stroker.createStroke(path));
    }
    QPainterPath result() const { return path_; }

private:
    void add(const QPainterPath& path) {
        path_ = path_.isEmpty() ? path.simplified() : path_.united(path);
    }
    qreal minWidth_;
    QPainterPath path_;
};

QPainterPath line(qreal x1, qreal y1, qreal x2, qreal y2) {
    QPainterPath p;
    p.moveTo(x1, y1);
    p.lineTo(x2, y2);
    return p;
}

QPainterPath polyline(std::initializer_list<QPointF> points) {
    QPainterPath p;
    bool first = true;
    for (const QPointF& point : points) {
        if (first) {
            p.moveTo(point);
            first = false;
        } else {
            p.lineTo(point);
        }
    }
    return p;
}

QPainterPath polygon(std::initializer_list<QPointF> points) {
    QPainterPath p = polyline(points);
    p.closeSubpath();
    return p;
}

QPainterPath circle(qreal cx, qreal cy, qreal r) {
    QPainterPath p;
    p.addEllipse(QPointF(cx, cy), r, r);
    return p;
}

QPainterPath rounded(qreal x, qreal y, qreal w, qreal h, qreal r) {
    QPainterPath p;
    p.addRoundedRect(QRectF(x, y, w, h), r, r);
    return p;
}

// An arc of the circle (cx, cy, r) from `from` to `to` degrees, measured clockwise from 12
// o'clock, as people read a dial.
QPainterPath arc(qreal cx, qreal cy, qreal r, qreal from, qreal to) {
    QPainterPath p;
    const int steps = qMax(4, int(qAbs(to - from) / 6));
    for (int i = 0; i <= steps; ++i) {
        const qreal a = qDegreesToRadians(from + (to - from) * i / steps);
        const QPointF point(cx + r * qSin(a), cy - r * qCos(a));
        if (i == 0) {
            p.moveTo(point);
        } else {
            p.lineTo(point);
        }
    }
    return p;
}

QPointF onDial(qreal cx, qreal cy, qreal r, qreal degrees) {
    const qreal a = qDegreesToRadians(degrees);
    return {cx + r * qSin(a), cy - r * qCos(a)};
}

// A four-pointed sparkle.
QPainterPath sparkle(qreal cx, qreal cy, qreal r) {
    const qreal k = r * 0.28;
    return polygon({{cx, cy - r},
                    {cx + k, cy - k},
                    {cx + r, cy},
                    {cx + k, cy + k},
                    {cx, cy + r},
                    {cx - k, cy + k},
                    {cx - r, cy},
                    {cx - k, cy - k}});
}

void micBody(Ink& ink, bool filled) {
    const QPainterPath body = rounded(8.5, 2.5, 7, 12, 3.5);
    if (filled) {
        ink.fill(body);
    } else {
        ink.stroke(body);
    }
    ink.stroke(arc(12, 11.5, 6.5, 90, 270).toReversed());
    ink.stroke(line(12, 18, 12, 21));
    ink.stroke(line(8.5, 21, 15.5, 21));
}

void waveformBars(Ink& ink, qreal cx, qreal scale, bool cut) {
    const qreal half[] = {1.5, 4.0, 7.0, 3.2, 5.2, 2.0};
    const int count = 6;
    const qreal pitch = 3.4 * scale;
    const qreal left = cx - pitch * (count - 1) / 2;
    for (int i = 0; i < count; ++i) {
        const qreal x = left + pitch * i;
        const QPainterPath bar = line(x, 12 - half[i] * scale, x, 12 + half[i] * scale);
        if (cut) {
            ink.cutStroke(bar, 1.9 * scale);
        } else {
            ink.stroke(bar);
        }
    }
}

void triangleBody(Ink& ink, bool filled) {
    const QPainterPath outline = polygon({{12, 3}, {21.5, 19.8}, {2.5, 19.8}});
    if (filled) {
        QPainterPathStroker round;
        round.setWidth(2.2);
        round.setJoinStyle(Qt::RoundJoin);
        ink.fill(outline);
        ink.fill(round.createStroke(outline));
        ink.cutStroke(line(12, 9, 12, 13.2), 2.2);
        ink.cut(circle(12, 16.6, 1.35));
    } else {
        ink.stroke(outline);
        ink.stroke(line(12, 9, 12, 13.2));
        ink.fill(circle(12, 16.6, 1.3));
    }
}

using Drawing = std::function<void(Ink&)>;

const QHash<QString, Drawing>& drawings() {
    static const QHash<QString, Drawing> table = {
        {"mic",
         [](Ink& i) {
             micBody(i, false);
         }},
        {"mic.fill",
         [](Ink& i) {
             micBody(i, true);
         }},
        {"chart.bar",
         [](Ink& i) {
             i.stroke(rounded(3.5, 13, 4.5, 8, 1));
             i.stroke(rounded(9.75, 8, 4.5, 13, 1));
             i.stroke(rounded(16, 3, 4.5, 18, 1));
         }},
        {"character.book.closed",
         [](Ink& i) {
             i.stroke(rounded(4.5, 2.5, 15, 19, 2.5));
             i.stroke(line(8, 2.5, 8, 21.5));
             i.stroke(polyline({{10.7, 15.5}, {13.5, 7.5}, {16.3, 15.5}}), 1.7);
             i.stroke(line(11.7, 12.8, 15.3, 12.8), 1.6);
         }},
        {"text.badge.plus",
         [](Ink& i) {
             i.stroke(line(3, 6, 14, 6));
             i.stroke(line(3, 12, 11, 12));
             i.stroke(line(3, 18, 11, 18));
             i.stroke(line(18, 10.5, 18, 20.5));
             i.stroke(line(13, 15.5, 23, 15.5));
         }},
        {"wand.and.stars",
         [](Ink& i) {
             i.stroke(line(3.5, 20.5, 14.5, 9.5), i.heavy());
             i.fill(sparkle(17.5, 5, 3.4));
             i.fill(sparkle(20.5, 13.5, 2.4));
             i.fill(sparkle(9.5, 4, 2.2));
         }},
        {"note.text",
         [](Ink& i) {
             i.stroke(rounded(4, 2.5, 16, 19, 2.5));
             i.stroke(line(8, 8.5, 16, 8.5));
             i.stroke(line(8, 12.5, 16, 12.5));
             i.stroke(line(8, 16.5, 13, 16.5));
         }},
        {"gearshape",
         [](Ink& i) {
             i.stroke(circle(12, 12, 6.2));
             i.stroke(circle(12, 12, 2.4));
             for (int tooth = 0; tooth < 8; ++tooth) {
                 const qreal a = tooth * 45.0;
                 const QPointF inner = onDial(12, 12, 7.0, a);
                 const QPointF outer = onDial(12, 12, 9.4, a);
                 i.stroke(line(inner.x(), inner.y(), outer.x(), outer.y()), 3.0);
             }
         }},
        {"magnifyingglass",
         [](Ink& i) {
             i.stroke(circle(10, 10, 6.5));
             i.stroke(line(14.9, 14.9, 20.5, 20.5), i.heavy());
         }},
        {"xmark.circle.fill",
         [](Ink& i) {
             i.fill(circle(12, 12, 10));
             i.cutStroke(line(8.6, 8.6, 15.4, 15.4), 2.2);
             i.cutStroke(line(15.4, 8.6, 8.6, 15.4), 2.2);
         }},
        {"doc.on.doc",
         [](Ink& i) {
             const QPainterPath front = rounded(3.5, 7.5, 12, 14, 2);
             i.stroke(rounded(8.5, 2.5, 12, 14, 2));
             QPainterPath gap;
             gap.addRoundedRect(QRectF(2.2, 6.2, 14.6, 16.6), 3, 3);
             i.cut(gap);
             i.stroke(front);
         }},
        {"trash",
         [](Ink& i) {
             i.stroke(line(3.5, 6, 20.5, 6));
             i.stroke(polyline({{9, 6}, {9, 3}, {15, 3}, {15, 6}}));
             i.stroke(polyline({{6, 6}, {7, 21}, {17, 21}, {18, 6}}));
             i.stroke(line(10.2, 10, 10.2, 17), 1.6);
             i.stroke(line(13.8, 10, 13.8, 17), 1.6);
         }},
        {"play.fill",
         [](Ink& i) {
             const QPainterPath t = polygon({{7, 4.5}, {19.5, 12}, {7, 19.5}});
             QPainterPathStroker round;
             round.setWidth(2);
             round.setJoinStyle(Qt::RoundJoin);
             i.fill(t);
             i.fill(round.createStroke(t));
         }},
        {"stop.fill",
         [](Ink& i) {
             i.fill(rounded(5, 5, 14, 14, 2.5));
         }},
        {"waveform",
         [](Ink& i) {
             waveformBars(i, 12, 1.0, false);
         }},
        {"waveform.circle.fill",
         [](Ink& i) {
             i.fill(circle(12, 12, 10.5));
             waveformBars(i, 12, 0.62, true);
         }},
        {"exclamationmark.triangle",
         [](Ink& i) {
             triangleBody(i, false);
         }},
        {"exclamationmark.triangle.fill",
         [](Ink& i) {
             triangleBody(i, true);
         }},
        {"chevron.down",
         [](Ink& i) {
             i.stroke(polyline({{5.5, 8.5}, {12, 15}, {18.5, 8.5}}));
         }},
        {"arrow.right",
         [](Ink& i) {
             i.stroke(line(3.5, 12, 20, 12));
             i.stroke(polyline({{13.5, 5.5}, {20, 12}, {13.5, 18.5}}));
         }},
        {"arrow.up.right.square",
         [](Ink& i) {
             i.stroke(rounded(3, 3, 18, 18, 3.5));
             i.stroke(line(8.5, 15.5, 15.2, 8.8));
             i.stroke(polyline({{10, 8.5}, {15.5, 8.5}, {15.5, 14}}));
         }},
        {"arrow.down.circle",
         [](Ink& i) {
             i.stroke(circle(12, 12, 9.5));
             i.stroke(line(12, 6.5, 12, 17));
             i.stroke(polyline({{8, 13}, {12, 17}, {16, 13}}));
         }},
        {"arrow.trianglehead.2.clockwise",
         [](Ink& i) {
             // Two clockwise arcs, each ending in a solid arrowhead.
             i.stroke(arc(12, 12, 7.5, 20, 150));
             i.stroke(arc(12, 12, 7.5, 200, 330));
             for (qreal end : {150.0, 330.0}) {
                 const QPointF tip = onDial(12, 12, 7.5, end + 22);
                 const QPointF outer = onDial(12, 12, 10.6, end);
                 const QPointF inner = onDial(12, 12, 4.4, end);
                 i.fill(polygon({tip, outer, inner}));
             }
         }},
        {"bolt.fill",
         [](Ink& i) {
             i.fill(polygon(
                 {{14, 1.5}, {4.5, 14}, {11.2, 14}, {9.8, 22.5}, {19.5, 9.8}, {12.8, 9.8}}));
         }},
        {"checkmark",
         [](Ink& i) {
             i.stroke(polyline({{4.5, 12.5}, {9.8, 18}, {19.5, 6}}));
         }},
        {"circle",
         [](Ink& i) {
             i.stroke(circle(12, 12, 9.5));
         }},
        {"largecircle.fill.circle",
         [](Ink& i) {
             i.stroke(circle(12, 12, 9.5));
             i.fill(circle(12, 12, 5));
         }},
        {"lock.shield",
         [](Ink& i) {
             QPainterPath shield;
             shield.moveTo(12, 2.5);
             shield.lineTo(19.8, 5.5);
             shield.lineTo(19.8, 11);
             shield.cubicTo(19.8, 15.8, 16.5, 19.4, 12, 21.5);
             shield.cubicTo(7.5, 19.4, 4.2, 15.8, 4.2, 11);
             shield.lineTo(4.2, 5.5);
             shield.closeSubpath();
             i.stroke(shield);
             i.fill(rounded(8.8, 11, 6.4, 5.2, 1));
             i.stroke(arc(12, 11, 2.1, 270, 450), 1.5, Qt::FlatCap);
         }},
        {"gauge.with.needle",
         [](Ink& i) {
             i.stroke(arc(12, 13.5, 9, 235, 485));
             i.stroke(line(12, 13.5, 16.2, 8.6));
             i.fill(circle(12, 13.5, 2));
         }},
        {"flame",
         [](Ink& i) {
             QPainterPath flame;
             flame.moveTo(12, 2.5);
             flame.cubicTo(13.2, 7, 18.5, 9, 18.5, 14.5);
             flame.cubicTo(18.5, 18.6, 15.6, 21.5, 12, 21.5);
             flame.cubicTo(8.4, 21.5, 5.5, 18.6, 5.5, 14.5);
             flame.cubicTo(5.5, 11.2, 7.8, 9.6, 9, 7.2);
             flame.cubicTo(10.2, 9, 10.8, 10.2, 10.9, 12);
             flame.cubicTo(12.6, 9.8, 13, 6.2, 12, 2.5);
             flame.closeSubpath();
             i.stroke(flame);
         }},
        {"text.alignleft",
         [](Ink& i) {
             i.stroke(line(3.5, 5, 20.5, 5));
             i.stroke(line(3.5, 10, 14.5, 10));
             i.stroke(line(3.5, 15, 20.5, 15));
             i.stroke(line(3.5, 20, 12.5, 20));
         }},
    };
    return table;
}

} // namespace

QPainterPath ink(const QString& name, qreal unitPixels) {
    const auto found = drawings().constFind(name);
    if (found == drawings().constEnd()) {
        return {};
    }
    Ink result(unitPixels);
    found.value()(result);
    return result.result();
}

QStringList names() {
    QStringList list = drawings().keys();
    list.sort();
    return list;
}

} // namespace tavik::design::glyph_drawings
