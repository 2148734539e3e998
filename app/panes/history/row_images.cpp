#include "app/panes/history/row_images.h"

#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

namespace tavik::panes {

// Never shown: it only lends its paint events to QWidget::render, whose painter then treats the
// image as a widget's surface and draws text exactly as the list itself would.
class RowImages::Canvas : public QWidget {
public:
    Canvas() {
        setAttribute(Qt::WA_DontShowOnScreen);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }

    void render(QImage& image, const std::function<void(QPainter&)>& paint) {
        paint_ = &paint;
        QWidget::render(&image, QPoint(), QRegion(), {});
        paint_ = nullptr;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (paint_) {
            QPainter painter(this);
            (*paint_)(painter);
        }
    }

private:
    const std::function<void(QPainter&)>* paint_ = nullptr;
};

bool RowImages::Look::sameAs(const Look& other) const {
    return text.constData() == other.text.constData() && text.size() == other.text.size() &&
           size == other.size && devicePixelRatio == other.devicePixelRatio && time == other.time &&
           warning == other.warning && strip == other.strip;
}

RowImages::RowImages(QWidget* owner) : owner_(owner), canvas_(std::make_unique<Canvas>()) {}

RowImages::~RowImages() = default;

const QImage* RowImages::find(const QUuid& id, const Look& look) const {
    const auto it = kept_.constFind(id);
    if (it == kept_.cend()) {
        return nullptr;
    }
    const Picture& picture = look.strip.isEmpty() ? it->atRest : it->withStrip;
    return !picture.image.isNull() && picture.look.sameAs(look) ? &picture.image : nullptr;
}

void RowImages::draw(const QUuid& id, Look look, const QColor& background,
                     const std::function<void(QPainter&)>& paint) {
    const QSize size = look.size.toSize();
    QImage image(size * look.devicePixelRatio, QImage::Format_RGB32);
    image.setDevicePixelRatio(look.devicePixelRatio);
    image.fill(background);
    canvas_->setScreen(owner_->screen());
    canvas_->resize(size);
    canvas_->render(image, paint);
    Kept& kept = kept_[id];
    (look.strip.isEmpty() ? kept.atRest : kept.withStrip) = {std::move(look), std::move(image)};
}

void RowImages::keepOnly(const std::function<bool(const QUuid&)>& wanted) {
    for (auto it = kept_.begin(); it != kept_.end();) {
        it = wanted(it.key()) ? std::next(it) : kept_.erase(it);
    }
}

} // namespace tavik::panes
