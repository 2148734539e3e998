#include "app/shell/design/theme.h"

namespace tavik::design {

namespace {

QGradientStops evenStops(std::initializer_list<QColor> colors) {
    QGradientStops stops;
    const int last = int(colors.size()) - 1;
    int index = 0;
    for (const QColor& color : colors) {
        stops.append({last > 0 ? qreal(index) / last : 0.0, color});
        ++index;
    }
    return stops;
}

QLinearGradient across(const QRectF& rect, const QGradientStops& stops) {
    QLinearGradient gradient(QPointF(rect.left(), rect.center().y()),
                             QPointF(rect.right(), rect.center().y()));
    gradient.setStops(stops);
    return gradient;
}

QFont sized(const QString& family, QFont::StyleHint hint, qreal pixelSize, QFont::Weight weight) {
    QFont font(family);
    font.setStyleHint(hint);
    font.setPixelSize(qMax(1, qRound(pixelSize)));
    font.setWeight(weight);
    return font;
}

} // namespace

const QGradientStops Theme::auroraStops =
    evenStops({colorFromHex(0xCBFFFC), colorFromHex(0xEDFFFE), colorFromHex(0xFFFDFA),
               colorFromHex(0xFAD1FF)});
const QGradientStops Theme::bioluminescentStops =
    evenStops({colorFromHex(0x00827C), colorFromHex(0xCBFFFC)});

QLinearGradient Theme::aurora(const QRectF& rect) {
    return across(rect, auroraStops);
}

QLinearGradient Theme::bioluminescent(const QRectF& rect) {
    return across(rect, bioluminescentStops);
}

QFont Theme::font(qreal pixelSize, QFont::Weight weight, qreal tracking) {
    QFont font = sized(QString::fromLatin1(fontFamily), QFont::SansSerif, pixelSize, weight);
    if (tracking != 0) {
        font.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    }
    return font;
}

QFont Theme::mono(qreal pixelSize, QFont::Weight weight) {
    QFont font = sized(QString::fromLatin1(monoFontFamily), QFont::Monospace, pixelSize, weight);
    font.setFixedPitch(true);
    return font;
}

QFont Theme::body() {
    return font(13);
}

} // namespace tavik::design
