// brand-icons RESOURCES_DIR: draws the brand mark with the design system's own painting into
//   RESOURCES_DIR/menubarTemplate.png, menubarTemplate@2x.png   the tray artwork (one colour)
//   RESOURCES_DIR/menubarTemplate-<N>.png   the same for each panel size, drawn at that size
//   RESOURCES_DIR/icons/hicolor/<N>x<N>/apps/com.trelvanic.tavik.png   the application icon
//   RESOURCES_DIR/icons/hicolor/scalable/status/com.trelvanic.tavik-<state>-symbolic.svg
//       the tray icon of each dictation state, for panels that recolour themed icons
// The scalable application icon beside them is written by hand from the same geometry.
#include "app/shell/design/mark.h"
#include "app/shell/design/theme.h"
#include "tools/brand-icons/symbolic_icons.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

using namespace tavik::design;

// Where the mark's ink lies in a 24-unit frame: the strokes with their round caps.
QRectF inkBounds() {
    return brand_icons::markOutline().boundingRect();
}

// A template image like a panel's own icons: white with alpha, the ink filling the square
// but for half a pixel all round. The application tints it at run time.
QImage trayArtwork(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QRectF ink = inkBounds();
    const qreal unit = (size - 1.0) / std::max(ink.width(), ink.height());
    const qreal frameSize = mark::grid * unit;
    const QPointF inkCentre = ink.center() * unit;
    const QPointF origin = QPointF(size / 2.0, size / 2.0) - inkCentre;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    mark::paint(painter, QRectF(origin, QSizeF(frameSize, frameSize)), {1, 1, 1},
                QBrush(Qt::white));
    return image;
}

// The launcher icon: the mark in its own gradient on a deep rounded tile.
QImage applicationIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / mark::grid;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::deep);
    painter.drawRoundedRect(QRectF(0, 0, size, size), 5.5 * unit, 5.5 * unit);
    mark::paint(painter, QRectF(2.4 * unit, 2.4 * unit, 19.2 * unit, 19.2 * unit), {1, 1, 1});
    return image;
}

bool save(const QImage& image, const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path)) {
        std::fprintf(stderr, "brand-icons: could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brand-icons RESOURCES_DIR\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    bool ok = save(trayArtwork(18), out.filePath("menubarTemplate.png")) &&
              save(trayArtwork(36), out.filePath("menubarTemplate@2x.png"));
    for (int size : {16, 22, 24, 32, 48}) {
        ok = ok && save(trayArtwork(size),
                        out.filePath(QStringLiteral("menubarTemplate-%1.png").arg(size)));
    }
    ok = ok && brand_icons::writeSymbolicIcons(out);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        ok =
            ok &&
            save(applicationIcon(size),
                 out.filePath(
                     QStringLiteral("icons/hicolor/%1x%1/apps/com.trelvanic.tavik.png").arg(size)));
    }
    return ok ? 0 : 1;
}
