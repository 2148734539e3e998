#include "app/shell/tray_icons.h"

#include "app/shell/design/glyphs.h"
#include "app/shell/design/theme.h"
#include "platform/folders.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

namespace tavik::tray_icons {
namespace {

using Kind = dictation::State::Kind;

const QString fallbackGlyph = QStringLiteral("waveform");
// Tray icons come in these sizes across panels; each is drawn, not scaled.
constexpr int glyphSizes[] = {16, 22, 24, 32, 48};

// Like a macOS template image, the artwork is one colour with an alpha channel; it takes the
// panel's text colour here. Panels on this desktop are dark far more often than light.
QColor panelInk() {
    return design::Theme::mist;
}

QPixmap tinted(const QImage& artwork) {
    QImage image = artwork.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), panelInk());
    painter.end();
    return QPixmap::fromImage(image);
}

// The artwork at 18 px and, when present, its double-size version for dense screens.
QIcon restingIcon() {
    const QString folder = platform::resourcesFolder();
    const QImage base(platform::joinPath(folder, QStringLiteral("menubarTemplate.png")));
    if (base.isNull()) {
        return {};
    }
    QIcon icon;
    icon.addPixmap(tinted(base));
    const QImage dense(platform::joinPath(folder, QStringLiteral("menubarTemplate@2x.png")));
    if (!dense.isNull()) {
        icon.addPixmap(tinted(dense));
    }
    return icon;
}

QIcon glyphIcon(const QString& name) {
    QIcon icon;
    for (int size : glyphSizes) {
        icon.addPixmap(design::glyphPixmap(name, panelInk(), size));
    }
    return icon;
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

QIcon icon(const QString& name) {
    if (name != QLatin1String(restingArtwork) && design::hasGlyph(name)) {
        return glyphIcon(name);
    }
    // The artwork at rest, and in place of a glyph that is missing.
    const QIcon artwork = restingIcon();
    return artwork.isNull() ? glyphIcon(fallbackGlyph) : artwork;
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
