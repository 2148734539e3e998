#include "app/shell/design/look.h"

#include "app/shell/design/tavik_style.h"
#include "app/shell/design/theme.h"

#include <QApplication>
#include <QStyle>
#include <QToolTip>

namespace tavik::design {

namespace {

QPalette& savedDesktopPalette() {
    static QPalette palette;
    return palette;
}

bool& desktopPaletteSaved() {
    static bool saved = false;
    return saved;
}

// A colour over abyss, opaque: Fusion mixes bevel shades from these roles and alpha would make
// its scroll bars and frames muddy.
QColor over(const QColor& background, const QColor& top) {
    const qreal a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + background.redF() * (1 - a)),
                            float(top.greenF() * a + background.greenF() * (1 - a)),
                            float(top.blueF() * a + background.blueF() * (1 - a)));
}

} // namespace

QPalette tavikPalette() {
    QPalette palette;
    const QColor text = over(Theme::abyss, Theme::label);
    palette.setColor(QPalette::Window, Theme::abyss);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, Theme::deep);
    palette.setColor(QPalette::AlternateBase, Theme::kelp);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, Theme::kelp);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Theme::platinum);
    palette.setColor(QPalette::PlaceholderText, Theme::placeholder);
    palette.setColor(QPalette::Highlight, colorFromHex(0x00827C));
    palette.setColor(QPalette::HighlightedText, Theme::platinum);
    palette.setColor(QPalette::Link, colorFromHex(0xCBFFFC));
    palette.setColor(QPalette::LinkVisited, colorFromHex(0xFAD1FF));
    palette.setColor(QPalette::ToolTipBase, Theme::deep);
    palette.setColor(QPalette::ToolTipText, Theme::mist);
    palette.setColor(QPalette::Light, Theme::kelpHi);
    palette.setColor(QPalette::Midlight, over(Theme::kelp, Theme::hairlineStrong));
    palette.setColor(QPalette::Mid, over(Theme::abyss, Theme::hairlineStrong));
    palette.setColor(QPalette::Dark, Theme::deep);
    palette.setColor(QPalette::Shadow, colorFromHex(0x000A0A));

    const QColor dimmed = over(Theme::abyss, QColor::fromRgbF(1, 1, 1, 0.30f));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, dimmed);
    }
    palette.setColor(QPalette::Disabled, QPalette::Button, over(Theme::abyss, Theme::hairline));
    palette.setColor(QPalette::Disabled, QPalette::Highlight, Theme::kelpHi);
    return palette;
}

QPalette menuPalette() {
    // The dark appearance's menu chrome: a neutral charcoal, titles in mist, the selection a
    // teal from the brand's own gradient rather than the desktop's accent.
    QPalette palette = tavikPalette();
    const QColor chrome = colorFromHex(0x282828);
    palette.setColor(QPalette::Window, chrome);
    palette.setColor(QPalette::Base, chrome);
    palette.setColor(QPalette::Button, chrome);
    for (QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::HighlightedText}) {
        palette.setColor(QPalette::Active, role, Theme::mist);
        palette.setColor(QPalette::Inactive, role, Theme::mist);
    }
    palette.setColor(QPalette::Highlight, colorFromHex(0x00827C));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, over(chrome, whiteAt(0.35)));
    palette.setColor(QPalette::Disabled, QPalette::Text, over(chrome, whiteAt(0.35)));
    palette.setColor(QPalette::Mid, over(chrome, Theme::hairlineStrong));
    palette.setColor(QPalette::Dark, over(chrome, Theme::hairlineStrong));
    palette.setColor(QPalette::Light, over(chrome, Theme::hairline));
    palette.setColor(QPalette::Shadow, colorFromHex(0x101010));
    return palette;
}

void applyTavikLook(QApplication& app) {
    if (!desktopPaletteSaved()) {
        savedDesktopPalette() = app.style()->standardPalette();
        desktopPaletteSaved() = true;
    }
    if (!qobject_cast<TavikStyle*>(QApplication::style())) {
        QApplication::setStyle(new TavikStyle);
    }
    QApplication::setPalette(tavikPalette());
    QToolTip::setPalette(tavikPalette());
    QFont font = Theme::body();
    QApplication::setFont(font);
    QToolTip::setFont(Theme::font(12));
}

QPalette desktopPalette() {
    if (!desktopPaletteSaved()) {
        return QApplication::style()->standardPalette();
    }
    return savedDesktopPalette();
}

} // namespace tavik::design
