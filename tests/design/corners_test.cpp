// The corner shape every card, field, button, option row and sidebar row is drawn with: a
// continuous corner whose curvature grows smoothly out of each straight side.
#include "app/shell/design/paint.h"

#include <QPainterPath>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tavik::design {
namespace {

// One piece of an outline: a line (two points) or a cubic Bézier (four).
using Piece = std::vector<QPointF>;

std::vector<Piece> piecesOf(const QPainterPath& path) {
    std::vector<Piece> pieces;
    QPointF at;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            at = e;
        } else if (e.isLineTo()) {
            pieces.push_back({at, e});
            at = e;
        } else if (e.isCurveTo()) {
            pieces.push_back({at, e, path.elementAt(i + 1), path.elementAt(i + 2)});
            at = path.elementAt(i + 2);
            i += 2;
        }
    }
    return pieces;
}

double length(QPointF v) {
    return std::hypot(v.x(), v.y());
}

double cross(QPointF a, QPointF b) {
    return a.x() * b.y() - a.y() * b.x();
}

// The signed curvature where a piece begins and where it ends (0 along a line).
double curvatureAtStart(const Piece& p) {
    if (p.size() == 2 || length(p[1] - p[0]) < 1e-9) {
        return 0;
    }
    return 2.0 / 3.0 * cross(p[1] - p[0], p[2] - p[1]) / std::pow(length(p[1] - p[0]), 3);
}
double curvatureAtEnd(const Piece& p) {
    if (p.size() == 2 || length(p[3] - p[2]) < 1e-9) {
        return 0;
    }
    return 2.0 / 3.0 * cross(p[2] - p[1], p[3] - p[2]) / std::pow(length(p[3] - p[2]), 3);
}

bool isPoint(const Piece& p) {
    for (const QPointF& q : p) {
        if (length(q - p[0]) > 1e-9) {
            return false;
        }
    }
    return true;
}

// Whether the outline's edge passes between `inside` and `outside`.
::testing::AssertionResult edgeBetween(const QPainterPath& path, QPointF inside, QPointF outside) {
    if (path.contains(inside) && !path.contains(outside)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "inside (" << inside.x() << "," << inside.y() << ") "
           << (path.contains(inside) ? "in" : "out") << ", outside (" << outside.x() << ","
           << outside.y() << ") " << (path.contains(outside) ? "in" : "out");
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
        std::vector<Piece> pieces = piecesOf(path);
        std::erase_if(pieces, isPoint);
        ASSERT_GE(pieces.size(), 4u);
        double greatest = 0;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const Piece& a = pieces[i];
            const Piece& b = pieces[(i + 1) % pieces.size()];
            EXPECT_LT(length(a.back() - b.front()), 1e-9) << "a gap in the outline";
            // One unit of curvature is the circle of the radius itself.
            const double r = std::min(shape.radius, shape.rect.height() / 2);
            const double step = std::abs(curvatureAtEnd(a) - curvatureAtStart(b)) * r;
            greatest = std::max(greatest, step);
        }
        EXPECT_LT(greatest, 0.02) << "curvature jumps where two pieces meet";
    }
}

TEST(ContinuousCorners, TheCornerMeetsTheCircleOnItsDiagonalAndLeavesTheSidesEarlier) {
    const QRectF card(0, 0, 300, 120);
    const qreal r = 16;
    const QPainterPath path = paint::roundedRect(card, r);
    // On the diagonal the corner passes where a circular corner of the same radius does.
    const qreal diagonal = r * (1 - std::sqrt(0.5));
    EXPECT_TRUE(edgeBetween(path, QPointF(diagonal + 0.05, diagonal + 0.05),
                            QPointF(diagonal - 0.05, diagonal - 0.05)));
    // Where a circular corner would just reach the side, the continuous one has already left
    // it: the side's straight part is shorter and the turn is spread over a longer stretch.
    EXPECT_FALSE(path.contains(QPointF(r, 0.05)));
    EXPECT_FALSE(path.contains(QPointF(0.05, r)));
    EXPECT_TRUE(path.contains(QPointF(2 * r, 0.05))) << "the side runs straight from 2r on";
    // Mirror-symmetric in both directions.
    for (const QPointF p : {QPointF(5, 3), QPointF(12, 0.6), QPointF(1.2, 9), QPointF(20, 0.1)}) {
        const bool in = path.contains(p);
        EXPECT_EQ(path.contains(QPointF(300 - p.x(), p.y())), in);
        EXPECT_EQ(path.contains(QPointF(p.x(), 120 - p.y())), in);
        EXPECT_EQ(path.contains(QPointF(300 - p.x(), 120 - p.y())), in);
    }
}

TEST(ContinuousCorners, ACapsuleHasRoundEndsItsLongSidesEaseIntoAndNoRadiusIsARectangle) {
    // A switch track: no room on its short ends for a smoother turn, so around each tip the end
    // is the half circle; only where it meets the long sides does it ease in.
    const QRectF track(0, 0, 34, 19);
    const QPainterPath capsule = paint::capsule(track);
    const QPointF centre(9.5, 9.5);
    for (int degrees = 120; degrees <= 240; degrees += 10) {
        const double a = degrees * M_PI / 180;
        const QPointF direction(std::cos(a), -std::sin(a));
        EXPECT_TRUE(edgeBetween(capsule, centre + direction * 9.4, centre + direction * 9.6))
            << degrees << "°";
    }
    EXPECT_FALSE(capsule.contains(QPointF(9.5, 0.05))) << "the long side leaves before the tip";
    EXPECT_TRUE(capsule.contains(QPointF(17, 0.05)));
    EXPECT_EQ(paint::roundedRect(track, 0), [&] {
        QPainterPath plain;
        plain.addRect(track);
        return plain;
    }());
    EXPECT_EQ(paint::roundedRect(track, 40).boundingRect(), track)
        << "a radius beyond half the height is held to it";
    // A square with the largest radius is a circle.
    const QPainterPath circle = paint::roundedRect(QRectF(0, 0, 20, 20), 10);
    for (int degrees = 0; degrees < 360; degrees += 15) {
        const double a = degrees * M_PI / 180;
        const QPointF direction(std::cos(a), std::sin(a));
        EXPECT_TRUE(edgeBetween(circle, QPointF(10, 10) + direction * 9.95,
                                QPointF(10, 10) + direction * 10.05))
            << degrees << "°";
    }
}

} // namespace
} // namespace tavik::design
