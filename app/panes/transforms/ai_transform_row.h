#pragma once

#include "app/stores/transforms.h"

#include <QWidget>

namespace tavik::design {
class GlyphButton;
}

namespace tavik::panes {

//   Polite email   make this a polite email, keep it short …          ⊗
//   the name (wraps, never cut), the instruction on one line, the delete button at the end;
//   8 apart, padded 14 and 9. When both texts do not fit, the name keeps at least half the room
//   (and wraps in it) and the instruction is cut short.
class AiTransformRow final : public QWidget {
    Q_OBJECT
public:
    explicit AiTransformRow(QWidget* parent = nullptr);

    const QUuid& id() const { return transform_.id; }
    void setTransform(const Transforms::Transform& transform);
    design::GlyphButton* deleteButton() const { return delete_; }

    // Where the texts are drawn at the row's width, and what the instruction shows there.
    QRectF nameRect() const;
    QRectF instructionRect() const;
    QString shownInstruction() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void deleteClicked(const QUuid& id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Widths {
        qreal name;
        qreal instruction;
    };
    Widths widths(int rowWidth) const;

    Transforms::Transform transform_;
    // Measured when the transform is shown: the layout asks often while the pane opens.
    qreal nameWidth_ = 0;
    qreal instructionWidth_ = 0;
    design::GlyphButton* delete_;
};

} // namespace tavik::panes
