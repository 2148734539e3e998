#include "app/shell/tray_icons.h"

#include "app/shell/design/glyph_drawings.h"
#include "app/shell/design/glyphs.h"
#include "platform/folders.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace tavik::tray_icons {
namespace {

using Kind = dictation::State::Kind;

const QString fallbackGlyph = QStringLiteral("waveform");

double luminance(const QColor& colour) {
    const auto channel = [](double value) {
        return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) +
           0.0722 * channel(rgb.blueF());
}

// Panels the icon may land on: white and black, and the greys of common light and dark panels
// (Breeze, Adwaita, the dark XEmbed trays). A dark grey is far lighter than black, so an ink
// balanced between white and black alone reads under 3:1 on one.
const QColor lightPanels[] = {QColor(0xFF, 0xFF, 0xFF), QColor(0xF6, 0xF5, 0xF4),
                              QColor(0xEF, 0xF0, 0xF1)};
const QColor darkPanels[] = {QColor(0x00, 0x00, 0x00), QColor(0x2B, 0x2B, 0x2B),
                             QColor(0x31, 0x36, 0x3B), QColor(0x35, 0x35, 0x35),
                             QColor(0x3C, 0x3C, 0x3C)};

QImage tinted(const QImage& artwork, const QColor& ink) {
    QImage image = artwork.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), ink);
    painter.end();
    return image;
}

// Like a template image, the artwork is one colour with an alpha channel; it takes the ink
// here. Each panel size has its own drawing ("menubarTemplate-22.png"); the plain artwork
// ("menubarTemplate.png", 18 px, and its double) stands in, scaled, for a size that lacks one.
QList<QImage> restingImages(const QColor& ink) {
    const QString folder = platform::resourcesFolder();
    const QImage base(platform::joinPath(folder, QStringLiteral("menubarTemplate.png")));
    const QImage dense(platform::joinPath(folder, QStringLiteral("menubarTemplate@2x.png")));
    QList<QImage> images;
    for (int size : pixmapSizes) {
        QImage drawn(
            platform::joinPath(folder, QStringLiteral("menubarTemplate-%1.png").arg(size)));
        if (drawn.isNull()) {
            const QImage& nearest = size > base.width() && !dense.isNull() ? dense : base;
            if (nearest.isNull()) {
                return {};
            }
            drawn = nearest.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        images << tinted(drawn, ink);
    }
    return images;
}

// The glyphs' regular line is 1.9 units of their 24-unit grid: at 16 px that is a pixel and a
// quarter, which antialiasing greys out on a panel. Their outline is thickened to keep lines
// at least this wide; from 22 px up they are drawn as they are.
constexpr qreal glyphLine = 1.9;
constexpr qreal minimumLinePixels = 1.75;

QImage glyphImage(const QString& name, const QColor& ink, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const qreal unit = size / 24.0;
    const QPainterPath drawing = design::glyph_drawings::ink(name, unit);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(unit, unit);
    painter.fillPath(drawing, ink);
    const qreal missing = minimumLinePixels - glyphLine * unit;
    if (missing > 0) {
        painter.strokePath(drawing,
                           QPen(ink, missing / unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    }
    return image;
}

QList<QImage> glyphImages(const QString& name, const QColor& ink) {
    QList<QImage> images;
    for (int size : pixmapSizes) {
        images << glyphImage(name, ink, size);
    }
    return images;
}

} // namespace

QString iconName(const dictation::State& state) {
    switch (state.kind()) {
    case Kind::idle:
        return QString::fromLatin1(restingArtwork);
    case Kind::loading:
        return QStringLiteral("arrow.trianglehead.2.clockwise");
    case Kind::recording:
        return QStringLiteral("mic.fill");
    case Kind::transcribing:
        return QStringLiteral("waveform");
    case Kind::failed:
        return QStringLiteral("exclamationmark.triangle");
    }
    return QString::fromLatin1(restingArtwork);
}

QString themedName(const dictation::State& state) {
    const auto name = [](const char* state) {
        return QStringLiteral("com.trelvanic.tavik-%1-symbolic").arg(QLatin1String(state));
    };
    switch (state.kind()) {
    case Kind::idle:
        return name("idle");
    case Kind::loading:
        return name("loading");
    case Kind::recording:
        return name("recording");
    case Kind::transcribing:
        return name("transcribing");
    case Kind::failed:
        return name("failed");
    }
    return name("idle");
}

QString themeFolder() {
    return platform::joinPath(platform::resourcesFolder(), QStringLiteral("icons"));
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool readsOnEveryPanel(const QColor& ink) {
    const auto readsOn = [&](const QColor& panel) {
        return contrast(ink, panel) >= minimumContrast;
    };
    return std::all_of(std::begin(lightPanels), std::end(lightPanels), readsOn) &&
           std::all_of(std::begin(darkPanels), std::end(darkPanels), readsOn);
}

QColor ink(const std::optional<QColor>& trayForeground, const QPalette& desktop) {
    if (trayForeground && trayForeground->isValid()) {
        return trayForeground->toRgb();
    }
    const QColor given = desktop.color(QPalette::Active, QPalette::WindowText);
    if (readsOnEveryPanel(given)) {
        return given.toRgb();
    }
    // The luminance with equal contrast on the darkest light panel and the lightest dark one:
    // (Llight + .05) / (L + .05) = (L + .05) / (Ldark + .05).
    double darkestLight = 1;
    for (const QColor& panel : lightPanels) {
        darkestLight = std::min(darkestLight, luminance(panel));
    }
    double lightestDark = 0;
    for (const QColor& panel : darkPanels) {
        lightestDark = std::max(lightestDark, luminance(panel));
    }
    const double balancedLuminance =
        std::sqrt((darkestLight + 0.05) * (lightestDark + 0.05)) - 0.05;
    const QColor text = given.toHsl();
    // Luminance grows with lightness at a fixed hue and saturation: halve the interval until
    // the balanced point is reached.
    double low = 0;
    double high = 1;
    for (int step = 0; step < 24; ++step) {
        const double middle = (low + high) / 2;
        const QColor trial = QColor::fromHslF(text.hslHueF(), text.hslSaturationF(), middle);
        (luminance(trial) < balancedLuminance ? low : high) = middle;
    }
    return QColor::fromHslF(text.hslHueF(), text.hslSaturationF(), (low + high) / 2).toRgb();
}

QList<QImage> images(const QString& name, const QColor& ink) {
    if (name != QLatin1String(restingArtwork) && design::hasGlyph(name)) {
        return glyphImages(name, ink);
    }
    // The artwork at rest, and in place of a glyph that is missing.
    const QList<QImage> artwork = restingImages(ink);
    return artwork.isEmpty() ? glyphImages(fallbackGlyph, ink) : artwork;
}

QIcon icon(const QString& name, const QColor& ink) {
    return icon(images(name, ink));
}

QIcon icon(const QList<QImage>& images) {
    QIcon icon;
    for (const QImage& image : images) {
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

QIcon applicationIcon() {
    QIcon icon;
    const QString folder =
        platform::joinPath(platform::resourcesFolder(), QStringLiteral("icons/hicolor"));
    for (int size : applicationIconSizes) {
        const QString path =
            QStringLiteral("%1/%2x%2/apps/com.trelvanic.tavik.png").arg(folder).arg(size);
        const QPixmap pixmap(path);
        if (!pixmap.isNull()) {
            icon.addPixmap(pixmap);
        }
    }
    return icon;
}

} // namespace tavik::tray_icons
