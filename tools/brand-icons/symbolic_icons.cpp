#include "tools/brand-icons/symbolic_icons.h"

#include "app/shell/design/glyph_drawings.h"
#include "app/shell/design/mark.h"

#include <QFile>
#include <QFileInfo>
#include <QPainterPathStroker>
#include <QRegularExpression>

#include <cstdio>

namespace brand_icons {
namespace {

using namespace tavik::design;

// The mark fitted like the tray artwork: its ink fills the 24-unit square but for half a unit
// all round.
QPainterPath markInk() {
    const QPainterPath ink = markOutline();
    const QRectF bounds = ink.boundingRect();
    const qreal scale = (mark::grid - 1) / std::max(bounds.width(), bounds.height());
    QTransform fit;
    fit.translate(mark::grid / 2, mark::grid / 2);
    fit.scale(scale, scale);
    fit.translate(-bounds.center().x(), -bounds.center().y());
    return fit.map(ink);
}

QString number(qreal value) {
    return QString::number(value, 'f', 3).remove(QRegularExpression("\\.?0+$"));
}

QString pathData(const QPainterPath& path) {
    QString data;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element element = path.elementAt(i);
        const QString point = number(element.x) + ' ' + number(element.y);
        switch (element.type) {
        case QPainterPath::MoveToElement:
            data += 'M' + point;
            break;
        case QPainterPath::LineToElement:
            data += 'L' + point;
            break;
        case QPainterPath::CurveToElement:
            data += 'C' + point;
            break;
        case QPainterPath::CurveToDataElement:
            data += ' ' + point;
            break;
        }
    }
    return data;
}

// A symbolic icon: one filled path and nothing else, so a panel recolours it by replacing the
// fill (GTK's way) or through the text colour class (Plasma's). The grey reads at about 4.5:1
// on white and on black for a panel that draws it as it is.
QByteArray symbolicSvg(const QPainterPath& ink) {
    const QString rule =
        ink.fillRule() == Qt::OddEvenFill ? QStringLiteral("evenodd") : QStringLiteral("nonzero");
    return QStringLiteral(
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" height=\"16\" "
               "viewBox=\"0 0 24 24\" color=\"#767676\">\n"
               "  <style id=\"current-color-scheme\" type=\"text/css\">"
               ".ColorScheme-Text { color:#767676; }</style>\n"
               "  <path class=\"ColorScheme-Text\" fill=\"currentColor\" fill-rule=\"%1\" "
               "d=\"%2\"/>\n"
               "</svg>\n")
        .arg(rule, pathData(ink))
        .toUtf8();
}

} // namespace

QPainterPath markOutline() {
    const QRectF frame(0, 0, mark::grid, mark::grid);
    QPainterPathStroker monogram;
    monogram.setWidth(2.6);
    monogram.setCapStyle(Qt::RoundCap);
    QPainterPathStroker bars;
    bars.setWidth(2.0);
    bars.setCapStyle(Qt::RoundCap);
    return monogram.createStroke(mark::monogramPath(frame))
        .united(bars.createStroke(mark::barsPath(frame, {1, 1, 1})))
        .simplified();
}

bool writeSymbolicIcons(const QDir& resources) {
    const QList<std::pair<QString, QPainterPath>> icons = {
        {"idle", markInk()},
        {"loading", glyph_drawings::ink("arrow.trianglehead.2.clockwise", 1)},
        {"recording", glyph_drawings::ink("mic.fill", 1)},
        {"transcribing", glyph_drawings::ink("waveform", 1)},
        {"failed", glyph_drawings::ink("exclamationmark.triangle", 1)},
    };
    for (const auto& [state, ink] : icons) {
        const QString path = resources.filePath(
            QStringLiteral("icons/hicolor/scalable/status/com.trelvanic.tavik-%1-symbolic.svg")
                .arg(state));
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (ink.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(symbolicSvg(ink)) < 0) {
            std::fprintf(stderr, "brand-icons: could not write %s\n", qPrintable(path));
            return false;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return true;
}

} // namespace brand_icons
