#include "app/shell/design/tavik_style.h"

#include "app/shell/design/paint.h"
#include "app/shell/design/theme.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionSlider>

namespace tavik::design {

TavikStyle::TavikStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

int TavikStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                            const QWidget* widget) const {
    switch (metric) {
    case PM_ScrollBarExtent:
        return scrollBarExtent;
    case PM_ScrollBarSliderMin:
        return thumbMinimum;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

int TavikStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                          QStyleHintReturn* data) const {
    if (hint == SH_ScrollBar_LeftClickAbsolutePosition) {
        return 0; // a click beside the thumb pages by one screen; it never jumps the thumb there
    }
    return QProxyStyle::styleHint(hint, option, widget, data);
}

QRect TavikStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                 SubControl sub, const QWidget* widget) const {
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar) {
        return QProxyStyle::subControlRect(control, option, sub, widget);
    }
    const QRect whole = bar->rect;
    const bool horizontal = bar->orientation == Qt::Horizontal;
    const int length = horizontal ? whole.width() : whole.height();
    const int range = bar->maximum - bar->minimum;
    int thumb = length;
    if (range > 0) {
        const qint64 proportional = qint64(bar->pageStep) * length / (range + bar->pageStep);
        thumb = int(qBound(qint64(thumbMinimum), proportional, qint64(length)));
    }
    const int start = sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition,
                                              length - thumb, bar->upsideDown);
    auto along = [&](int from, int size) {
        return horizontal ? QRect(whole.left() + from, whole.top(), size, whole.height())
                          : QRect(whole.left(), whole.top() + from, whole.width(), size);
    };
    switch (sub) {
    case SC_ScrollBarAddLine:
    case SC_ScrollBarSubLine:
        return {};
    case SC_ScrollBarGroove:
        return whole;
    case SC_ScrollBarSlider:
        return along(start, thumb);
    case SC_ScrollBarSubPage:
        return along(0, start);
    case SC_ScrollBarAddPage:
        return along(start + thumb, length - start - thumb);
    default:
        return QProxyStyle::subControlRect(control, option, sub, widget);
    }
}

void TavikStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                    QPainter* painter, const QWidget* widget) const {
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const QRect thumbRect = subControlRect(control, option, SC_ScrollBarSlider, widget);
    if (thumbRect.isEmpty() || bar->maximum == bar->minimum) {
        return;
    }
    const bool active =
        (bar->state & State_Sunken) ||
        ((bar->state & State_MouseOver) && bar->activeSubControls & SC_ScrollBarSlider);
    // A capsule inset from the bar's edges, brighter under the pointer or while dragged.
    const QRectF thumb = QRectF(thumbRect).adjusted(2.5, 2.5, -2.5, -2.5);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(Qt::NoPen);
    painter->setBrush(whiteAt(active ? 0.34 : 0.18));
    painter->drawPath(paint::roundedRect(thumb, qMin(thumb.width(), thumb.height()) / 2));
    painter->restore();
}

} // namespace tavik::design
