#pragma once

#include <QProxyStyle>

namespace tavik::design {

// Fusion with Tavik's scroll bars: thin, no arrow buttons, a translucent capsule thumb over the
// dark panes (Fusion's own are light bevelled bars with arrows). Everything else is Fusion's.
class TavikStyle : public QProxyStyle {
    Q_OBJECT
public:
    TavikStyle();

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr, QStyleHintReturn* data = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;

    static constexpr int scrollBarExtent = 10;
    static constexpr int thumbMinimum = 28;
};

} // namespace tavik::design
