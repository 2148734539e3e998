// The corner shape every card, field, button, option row and sidebar row is drawn with: a
// continuous corner whose curvature grows smoothly out of each straight side.
#include "app/shell/design/paint.h"

#include <QPainterPath>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tavik::design {
namespace {

double length(QPointF v) {
    return std::hypot(v.x(), v.y());
}

// The signed curvature where a cubic (p0…p3) begins, from its first three points (0 when the
// first leg has no length, as along a line).
double curvatureAt(QPointF p0, QPointF p1, QPointF p2) {
    const QPointF a = p1 - p0;
    const QPointF b = p2 - p1;
    return length(a) < 1e-9 ? 0
                            : 2.0 / 3.0 * (a.x() * b.y() - a.y() * b.x()) / std::pow(length(a), 3);
}

// The curvature where each piece of the outline begins and ends, lines and cubics alike, pieces
// of no length left out: {start, end} per piece, in order around the outline.
std::vector<std::pair<double, double>> curvatures(const QPainterPath& path) {
    std::vector<std::pair<double, double>> pieces;
    QPointF at = path.elementAt(0);
    for (int i = 1; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isCurveTo()) {
            const QPointF c1 = e;
            const QPointF c2 = path.elementAt(i + 1);
            const QPointF end = path.elementAt(i + 2);
            pieces.emplace_back(curvatureAt(at, c1, c2), -curvatureAt(end, c2, c1));
            at = end;
            i += 2;
        } else if (length(QPointF(e) - at) > 1e-9) {
            pieces.emplace_back(0, 0);
            at = e;
        }
    }
    return pieces;
}

// Whether the outline's edge passes between `inside` and `outside`.
bool edgeBetween(const QPainterPath& path, QPointF inside, QPointF outside) {
    return path.contains(inside) && !path.contains(outside);
}

TEST(ContinuousCorners, CurvatureGrowsWithoutAStepFromEachSideIntoTheCorner) {
    struct Shape {
        QRectF rect;
        qreal radius;
    };
    // A card, a field, a button, a short option row, a radius that fills a side, a switch track.
    for (const Shape& shape :
         {Shape{{0, 0, 300, 120}, 16}, Shape{{10.5, 4.5, 200, 30}, 6}, Shape{{0, 0, 90, 31}, 6},
          Shape{{0, 0, 120, 14}, 6}, Shape{{0, 0, 40, 40}, 18}, Shape{{0, 0, 34, 19}, 9.5}}) {
        SCOPED_TRACE(testing::Message()
                     << shape.rect.width() << "x" << shape.rect.height() << " r" << shape.radius);
        const QPainterPath path = paint::roundedRect(shape.rect, shape.radius);
        EXPECT_EQ(path.boundingRect(), shape.rect);
        const auto pieces = curvatures(path);
        ASSERT_GE(pieces.size(), 8u);
        // One unit of curvature is the circle of the radius itself.
        const double r = std::min(shape.radius, shape.rect.height() / 2);
        double greatest = 0;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const double step = pieces[i].second - pieces[(i + 1) % pieces.size()].first;
            greatest = std::max(greatest, std::abs(step) * r);
        }
        EXPECT_LT(greatest, 0.02) << "curvature jumps where two pieces meet";
    }
}

TEST(ContinuousCorners, FollowTheCircleAroundTheDiagonalAndLeaveTheSidesEarlier) {
    const qreal r = 16;
    const QPainterPath card = paint::roundedRect(QRectF(0, 0, 300, 120), r);
    // On the diagonal the corner passes where a circular corner of the same radius does.
    const qreal d = r * (1 - std::sqrt(0.5));
    EXPECT_TRUE(edgeBetween(card, QPointF(d + 0.05, d + 0.05), QPointF(d - 0.05, d - 0.05)));
    // Where a circular corner would just meet a side, this one has already left it.
    EXPECT_FALSE(card.contains(QPointF(r, 0.05)));
    EXPECT_FALSE(card.contains(QPointF(0.05, r)));
    EXPECT_TRUE(card.contains(QPointF(2 * r, 0.05))) << "the side runs straight from 2r on";
    EXPECT_FALSE(card.contains(QPointF(300 - r, 120 - 0.05))) << "every corner alike";

    // A switch track has no room on its ends for a longer turn: around each tip the end is the
    // half circle, and only its long sides ease into it.
    const QPainterPath track = paint::capsule(QRectF(0, 0, 34, 19));
    for (int degrees = 120; degrees <= 240; degrees += 20) {
        const QPointF towards(std::cos(degrees * M_PI / 180), -std::sin(degrees * M_PI / 180));
        EXPECT_TRUE(edgeBetween(track, QPointF(9.5, 9.5) + towards * 9.4,
                                QPointF(9.5, 9.5) + towards * 9.6))
            << degrees << "°";
    }
    EXPECT_FALSE(track.contains(QPointF(9.5, 0.05)));
    // The largest radius on a square is a circle; no radius is the plain rectangle.
    const QPainterPath circle = paint::roundedRect(QRectF(0, 0, 20, 20), 10);
    for (int degrees = 0; degrees < 360; degrees += 30) {
        const QPointF towards(std::cos(degrees * M_PI / 180), std::sin(degrees * M_PI / 180));
        EXPECT_TRUE(edgeBetween(circle, QPointF(10, 10) + towards * 9.95,
                                QPointF(10, 10) + towards * 10.05))
            << degrees << "°";
    }
    QPainterPath plain;
    plain.addRect(QRectF(0, 0, 34, 19));
    EXPECT_EQ(paint::roundedRect(QRectF(0, 0, 34, 19), 0), plain);
}

} // namespace
} // namespace tavik::design
