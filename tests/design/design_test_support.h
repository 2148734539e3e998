#pragma once

#include <QColor>
#include <QImage>
#include <QLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>

namespace tavik::design::test {

// `top` composited over the opaque `under`, as a painter blends a translucent fill.
inline QColor over(const QColor& under, const QColor& top) {
    const double a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + under.redF() * (1 - a)),
                            float(top.greenF() * a + under.greenF() * (1 - a)),
                            float(top.blueF() * a + under.blueF() * (1 - a)));
}

// `top` at `opacity` over `under` (a whole layer painted at reduced opacity).
inline QColor mixed(const QColor& under, const QColor& top, double opacity) {
    QColor layer = top;
    layer.setAlphaF(float(top.alphaF() * opacity));
    return over(under, layer);
}

inline ::testing::AssertionResult near(const QColor& actual, const QColor& expected,
                                       int tolerance = 3) {
    const int dr = std::abs(actual.red() - expected.red());
    const int dg = std::abs(actual.green() - expected.green());
    const int db = std::abs(actual.blue() - expected.blue());
    const int da = std::abs(actual.alpha() - expected.alpha());
    if (dr <= tolerance && dg <= tolerance && db <= tolerance && da <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "colour " << actual.name(QColor::HexArgb).toStdString() << " is not near "
           << expected.name(QColor::HexArgb).toStdString();
}

// The widget rendered at device pixel ratio 1, as the test samples it.
inline QImage render(QWidget& widget) {
    widget.ensurePolished();
    if (widget.layout()) {
        widget.layout()->activate();
    }
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

inline QColor pixel(const QImage& image, int x, int y) {
    return QColor::fromRgba(image.pixel(x, y));
}

// Whether any pixel of the image is within `tolerance` of the opaque colour.
inline bool contains(const QImage& image, const QColor& colour, int tolerance) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = QColor::fromRgba(image.pixel(x, y));
            if (c.alpha() == 255 && std::abs(c.red() - colour.red()) <= tolerance &&
                std::abs(c.green() - colour.green()) <= tolerance &&
                std::abs(c.blue() - colour.blue()) <= tolerance) {
                return true;
            }
        }
    }
    return false;
}

} // namespace tavik::design::test
