#include "app/shell/design/buttons.h"

#include "app/shell/design/glyphs.h"
#include "app/shell/design/paint.h"
#include "app/shell/design/theme.h"

#include <QKeyEvent>
#include <QPainter>

namespace tavik::design {

QString escapeMnemonics(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
    return escaped;
}

QString shownMnemonicText(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) {
            ++i; // "&&" shows one '&'; "&x" shows the x
        }
        shown.append(text[i]);
    }
    return shown;
}

const ButtonStyle& ButtonStyle::aurora() {
    static const ButtonStyle style = [] {
        ButtonStyle s;
        s.weight = QFont::Medium;
        s.tracking = 0.8;
        s.upperCase = true;
        s.text = s.textDown = Theme::auroraLabel;
        s.paddingX = 18;
        s.paddingY = 9;
        s.fill = Fill::aurora;
        s.downOpacity = 0.8;
        return s;
    }();
    return style;
}

const ButtonStyle& ButtonStyle::kelp() {
    static const ButtonStyle style = [] {
        ButtonStyle s;
        s.weight = QFont::Medium;
        s.text = s.textDown = Theme::mist;
        s.paddingX = 14;
        s.paddingY = 7;
        s.fill = Fill::solid;
        s.fillColor = Theme::kelp;
        s.fillDown = Theme::kelpHi;
        s.overlay = Theme::hairline;
        return s;
    }();
    return style;
}

const ButtonStyle& ButtonStyle::quiet() {
    static const ButtonStyle style = [] {
        ButtonStyle s;
        s.weight = QFont::Normal;
        s.text = Theme::silver;
        s.textDown = Theme::platinum;
        s.paddingX = 12;
        s.paddingY = 6;
        s.fill = Fill::none;
        s.outline = Theme::hairlineStrong;
        return s;
    }();
    return style;
}

TavikButton::TavikButton(const ButtonStyle& style, const QString& text, QWidget* parent)
    : QAbstractButton(parent), style_(&style) {
    setText(text);
    setFont(Theme::font(style.fontPixels, style.weight, style.tracking));
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
}

void TavikButton::setGlyph(const QString& name, int size) {
    glyph_ = name;
    glyphSize_ = size;
    updateGeometry();
    update();
}

QString TavikButton::shownText() const {
    const QString shown = shownMnemonicText(text());
    return style_->upperCase ? shown.toUpper() : shown;
}

QSize TavikButton::sizeHint() const {
    const QFontMetricsF metrics(font());
    const QString label = shownText();
    qreal width = label.isEmpty() ? 0 : metrics.horizontalAdvance(label);
    qreal height = metrics.height();
    if (!glyph_.isEmpty()) {
        width += glyphSize_ + (label.isEmpty() ? 0 : style_->glyphSpacing);
        height = qMax<qreal>(height, glyphSize_);
    }
    return QSize(qCeil(width) + 2 * style_->paddingX, qCeil(height) + 2 * style_->paddingY);
}

void TavikButton::paintEvent(QPaintEvent*) {
    const ButtonStyle& s = *style_;
    const ControlState state = controlState();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QRectF bounds = rect();
    if (state.down) {
        painter.setOpacity(s.downOpacity);
    }

    switch (s.fill) {
    case ButtonStyle::Fill::aurora:
        paint::surface(painter, bounds, s.radius, Theme::aurora(bounds), Qt::transparent);
        break;
    case ButtonStyle::Fill::solid:
        paint::surface(painter, bounds, s.radius, state.down ? s.fillDown : s.fillColor,
                       Qt::transparent);
        break;
    case ButtonStyle::Fill::none:
        break;
    }
    paint::strokeInside(painter, bounds, s.radius, s.outline);

    const QColor ink = state.down ? s.textDown : s.text;
    const QString label = shownText();
    const QFontMetricsF metrics(font());
    const qreal labelWidth = label.isEmpty() ? 0 : metrics.horizontalAdvance(label);
    const qreal glyphWidth =
        glyph_.isEmpty() ? 0 : glyphSize_ + (label.isEmpty() ? 0 : s.glyphSpacing);
    qreal x = (width() - labelWidth - glyphWidth) / 2;
    if (!glyph_.isEmpty()) {
        const QRectF box(x, (height() - glyphSize_) / 2.0, glyphSize_, glyphSize_);
        painter.drawPixmap(box.topLeft(),
                           glyphPixmap(glyph_, ink, glyphSize_, devicePixelRatioF()));
        x += glyphWidth;
    }
    if (!label.isEmpty()) {
        painter.setPen(ink);
        painter.setFont(font());
        const QRectF textBox(x, 0, labelWidth, height());
        painter.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, label);
    }
    paint::strokeInside(painter, bounds, s.radius, s.overlay);

    if (state.focused) {
        painter.setOpacity(1);
        paint::focusRing(painter, bounds, s.radius);
    }
}

void TavikButton::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void TavikButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    update();
}

void TavikButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    update();
}

} // namespace tavik::design
