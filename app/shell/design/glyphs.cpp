#include "app/shell/design/glyphs.h"

#include "app/shell/design/glyph_drawings.h"

#include <QHash>
#include <QPainter>

namespace tavik::design {

namespace {

constexpr qreal kGrid = 24;

QRectF squareIn(const QRectF& rect) {
    const qreal side = qMin(rect.width(), rect.height());
    return QRectF(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
}

struct PixmapCache {
    QHash<QString, QPixmap> pixmaps;
    static constexpr int limit = 1024; // far above what the windows use at once
};

PixmapCache& cache() {
    static PixmapCache instance;
    return instance;
}

// A glyph's ink is built by uniting its strokes, which costs many times the filling of it: the
// same few glyphs painted at every repaint of a sidebar or a strip are built once per size.
// Painted on the main thread only, as every window is.
QPainterPath keptInk(const QString& name, qreal unitPixels) {
    static QHash<QString, QPainterPath> kept;
    const QString key = name + QLatin1Char('|') + QString::number(unitPixels, 'g', 17);
    const auto found = kept.constFind(key);
    if (found != kept.constEnd()) {
        return *found;
    }
    if (kept.size() >= PixmapCache::limit) {
        kept.clear();
    }
    return *kept.insert(key, glyph_drawings::ink(name, unitPixels));
}

} // namespace

bool hasGlyph(const QString& name) {
    return glyph_drawings::names().contains(name);
}

QStringList glyphNames() {
    return glyph_drawings::names();
}

void paintGlyph(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color) {
    const QRectF box = squareIn(rect);
    if (box.isEmpty()) {
        return;
    }
    const qreal unit = box.width() / kGrid;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPainterPath ink = keptInk(name, unit * ratio);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(box.topLeft());
    painter.scale(unit, unit);
    if (ink.isEmpty()) {
        painter.setPen(QPen(color, qMax(1.6, 1 / (unit * ratio))));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(5, 5, 14, 14));
    } else {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawPath(ink);
    }
    painter.restore();
}

QPixmap glyphPixmap(const QString& name, const QColor& color, int size, qreal devicePixelRatio) {
    if (size <= 0) {
        return {};
    }
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1;
    const QString key = QStringLiteral("%1|%2|%3|%4")
                            .arg(name)
                            .arg(color.rgba64().toArgb32(), 8, 16, QLatin1Char('0'))
                            .arg(size)
                            .arg(ratio);
    PixmapCache& store = cache();
    const auto found = store.pixmaps.constFind(key);
    if (found != store.pixmaps.constEnd()) {
        return found.value();
    }
    QPixmap pixmap(qCeil(size * ratio), qCeil(size * ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        paintGlyph(painter, name, QRectF(0, 0, size, size), color);
    }
    if (store.pixmaps.size() >= PixmapCache::limit) {
        store.pixmaps.clear();
    }
    store.pixmaps.insert(key, pixmap);
    return pixmap;
}

QIcon glyphIcon(const QString& name, const QColor& color, int size) {
    QIcon icon;
    icon.addPixmap(glyphPixmap(name, color, size, 1));
    icon.addPixmap(glyphPixmap(name, color, size, 2));
    return icon;
}

GlyphView::GlyphView(const QString& name, int size, const QColor& color, QWidget* parent)
    : QWidget(parent), name_(name), size_(size), color_(color) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void GlyphView::setGlyph(const QString& name) {
    if (name != name_) {
        name_ = name;
        pixmap_ = QPixmap();
        update();
    }
}

void GlyphView::setColor(const QColor& color) {
    if (color != color_) {
        color_ = color;
        pixmap_ = QPixmap();
        update();
    }
}

QSize GlyphView::sizeHint() const {
    return {size_, size_};
}

void GlyphView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (pixmap_.isNull() || pixmap_.devicePixelRatio() != devicePixelRatioF()) {
        pixmap_ = glyphPixmap(name_, color_, size_, devicePixelRatioF());
    }
    const QPointF origin((width() - size_) / 2.0, (height() - size_) / 2.0);
    painter.drawPixmap(origin, pixmap_);
}

} // namespace tavik::design
