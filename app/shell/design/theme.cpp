#include "app/shell/design/theme.h"

#include <QFontDatabase>

namespace tavik::design {

QColor colorFromHex(std::uint32_t rgb) {
    return QColor::fromRgbF(float(((rgb >> 16) & 0xFF) / 255.0), float(((rgb >> 8) & 0xFF) / 255.0),
                            float((rgb & 0xFF) / 255.0), 1.0f);
}

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

} // namespace

const QColor Theme::deep = colorFromHex(0x011D1C);
const QColor Theme::abyss = colorFromHex(0x012624);
const QColor Theme::kelp = colorFromHex(0x003734);
const QColor Theme::kelpHi = colorFromHex(0x004A46);
const QColor Theme::platinum = colorFromHex(0xFFFFFF);
const QColor Theme::mist = colorFromHex(0xEDFFFE);
const QColor Theme::silver = colorFromHex(0xBBC7C6);
const QColor Theme::slate = colorFromHex(0x707777);
const QColor Theme::phosphor = colorFromHex(0xFDE9FF);
const QColor Theme::hairline = QColor::fromRgbF(1, 1, 1, 0.07f);
const QColor Theme::hairlineStrong = QColor::fromRgbF(1, 1, 1, 0.14f);

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
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(qRound(pixelSize));
    font.setWeight(weight);
    if (tracking != 0) {
        font.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    }
    return font;
}

QFont Theme::mono(qreal pixelSize, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(qRound(pixelSize));
    font.setWeight(weight);
    return font;
}

QFont Theme::body() {
    return font(13);
}

} // namespace tavik::design
