#pragma once

#include <QColor>
#include <QHash>
#include <QImage>
#include <QSizeF>
#include <QString>
#include <QUuid>

#include <functional>
#include <memory>

class QPainter;
class QWidget;

namespace tavik::panes {

// Pictures of history rows near the view, drawn while the list rests, so that a page step, a
// wheel step or a delete that brings those rows into view copies their pixels instead of
// shaping and blending every glyph again. A picture stands for its row only while everything
// the row shows is as it was drawn; the list keeps pictures of the rows within a view's height
// of the view and lets the others go.
class RowImages {
public:
    // Everything a row's picture shows. The text is held, so that the same characters in memory
    // are the same text: nothing can be written over them while a picture keeps them.
    struct Look {
        QString text;
        QString time;
        QString warning;
        QString strip; // the strip as drawn on the row under the pointer (empty: none)
        QSizeF size;
        qreal devicePixelRatio = 1;

        bool sameAs(const Look& other) const;
    };

    // Pictures are drawn through a hidden window on `owner`'s screen: text drawn into an image
    // directly loses the subpixel rendering that the same text gets in a window.
    explicit RowImages(QWidget* owner);
    ~RowImages();
    RowImages(const RowImages&) = delete;
    RowImages& operator=(const RowImages&) = delete;

    // The row's picture, when one was drawn for what it shows now.
    const QImage* find(const QUuid& id, const Look& look) const;
    // Draws `paint` (in the row's own coordinates, over `background`) as the row's picture.
    void draw(const QUuid& id, Look look, const QColor& background,
              const std::function<void(QPainter&)>& paint);
    // Lets go of the pictures of rows that are not `wanted`.
    void keepOnly(const std::function<bool(const QUuid&)>& wanted);
    void clear() { kept_.clear(); }
    qsizetype count() const { return kept_.size(); }

private:
    class Canvas;
    struct Picture {
        Look look;
        QImage image;
    };
    // A row a page away is kept both as it rests and with the strip it gets on becoming the
    // keyboard's row.
    struct Kept {
        Picture atRest;
        Picture withStrip;
    };

    QWidget* owner_;
    std::unique_ptr<Canvas> canvas_;
    QHash<QUuid, Kept> kept_;
};

} // namespace tavik::panes
