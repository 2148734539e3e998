#include "app/panes/settings/settings_buttons.h"

#include "app/shell/design/glyphs.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/paint.h"
#include "app/shell/design/theme.h"

#include <QPainter>

#include <cmath>

namespace tavik::panes::settings {

using design::Theme;
namespace paint = design::paint;

namespace {

constexpr qreal chipPadX = 10;
constexpr qreal chipPadY = 5;
constexpr qreal chevronPixels = 8;
constexpr int keyMenuWidth = 104;

int up(qreal value) {
    return int(std::ceil(value));
}

// Buttons take focus from the keyboard only, so a click leaves no ring behind.
void makeFocusable(QAbstractButton* button) {
    button->setFocusPolicy(Qt::TabFocus);
    button->setCursor(Qt::PointingHandCursor);
}

} // namespace

// --- gesture chip ---------------------------------------------------------------------------

GestureChip::GestureChip(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setAccessibleName(text);
    setFont(Theme::font(11, QFont::Medium));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCheckable(true);
    setAutoExclusive(true);
    makeFocusable(this);
}

void GestureChip::setSelected(bool selected) {
    if (selected_ == selected) {
        return;
    }
    selected_ = selected;
    // Checking one chip unchecks its sibling; the one checked cannot be unchecked on its own.
    if (selected) {
        setChecked(true);
    }
    update();
}

QSize GestureChip::sizeHint() const {
    const QFontMetricsF metrics(font());
    return {up(chipPadX * 2 + metrics.horizontalAdvance(text())),
            up(chipPadY * 2 + metrics.height())};
}

void GestureChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    paint::surface(painter, box, Theme::radiusSmall,
                   selected_ ? QBrush(Theme::kelp) : QBrush(Qt::transparent),
                   selected_ ? Theme::hairlineStrong : Theme::hairline);
    painter.setPen(selected_ ? Theme::mist : Theme::silver);
    painter.drawText(box, Qt::AlignCenter, text());
    if (hasFocus()) {
        paint::focusRing(painter, box, Theme::radiusSmall);
    }
}

// --- menu button ----------------------------------------------------------------------------

const MenuButton::Look MenuButton::keyLook{10, 5, 11, 6, QString(), 0};
const MenuButton::Look MenuButton::microphoneLook{10, 7, 12, 8, QStringLiteral("mic"), 11};

//  [ (glyph) title ……………… ⌄ ]   deep fill, hairlineStrong outline, radius 6
MenuButton::MenuButton(const Look& look, QWidget* parent) : QAbstractButton(parent), look_(look) {
    setFont(Theme::font(look_.textPixels, QFont::Medium));
    makeFocusable(this);
    if (look_.leadingGlyph.isEmpty()) {
        setFixedWidth(keyMenuWidth);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    } else {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
}

void MenuButton::setTitle(const QString& title) {
    if (title == text()) {
        return;
    }
    setText(title);
    setAccessibleName(title);
    updateGeometry();
    update();
}

QSize MenuButton::sizeHint() const {
    const QFontMetricsF metrics(font());
    qreal width =
        look_.padX * 2 + metrics.horizontalAdvance(text()) + look_.spacing + chevronPixels;
    if (!look_.leadingGlyph.isEmpty()) {
        width += look_.leadingGlyphPixels + look_.spacing;
    }
    return {up(width), up(look_.padY * 2 + metrics.height())};
}

QSize MenuButton::minimumSizeHint() const {
    const QSize hint = sizeHint();
    return {look_.leadingGlyph.isEmpty() ? hint.width() : up(look_.padX * 2 + chevronPixels),
            hint.height()};
}

void MenuButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    paint::surface(painter, box, Theme::radiusSmall, Theme::deep, Theme::hairlineStrong);

    const QRectF inner = box.adjusted(look_.padX, look_.padY, -look_.padX, -look_.padY);
    const qreal middle = inner.center().y();
    qreal left = inner.left();
    if (!look_.leadingGlyph.isEmpty()) {
        const qreal size = look_.leadingGlyphPixels;
        design::paintGlyph(painter, look_.leadingGlyph, QRectF(left, middle - size / 2, size, size),
                           Theme::silver);
        left += size + look_.spacing;
    }
    const QRectF chevron(inner.right() - chevronPixels, middle - chevronPixels / 2, chevronPixels,
                         chevronPixels);
    design::paintGlyph(painter, QStringLiteral("chevron.down"), chevron, Theme::silver);

    const qreal textWidth = qMax<qreal>(0, chevron.left() - look_.spacing - left);
    // A device name is data: a line break or tab in it must not start a second line.
    const QString shown = QFontMetricsF(font()).elidedText(design::ElidedLabel::oneLine(text()),
                                                           Qt::ElideRight, textWidth);
    painter.setPen(Theme::mist);
    painter.drawText(QRectF(left, box.top(), textWidth, box.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, shown);
    if (hasFocus()) {
        paint::focusRing(painter, box, Theme::radiusSmall);
    }
}

} // namespace tavik::panes::settings
