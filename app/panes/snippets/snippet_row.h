#pragma once

#include "app/stores/snippets.h"

#include <QWidget>

class QGraphicsOpacityEffect;

namespace tavik::design {
class GlyphButton;
class TavikToggle;
} // namespace tavik::design

namespace tavik::panes {

//   ( ●)  my email        →  someone@example.com …             ⊗
//   switch, the trigger in a 150-wide column (it wraps there), an arrow, the expansion on one
//   line, then the delete button at the far end; 10 apart, padded 14 and 9. The texts are drawn
//   straight into the row, so a card of hundreds of snippets stays quick to open. The row is
//   drawn at half opacity while the snippet is off (the card's separator under it is not).
class SnippetRow final : public QWidget {
    Q_OBJECT
public:
    explicit SnippetRow(QWidget* parent = nullptr);

    const QUuid& id() const { return snippet_.id; }
    const Snippet& snippet() const { return snippet_; }
    void setSnippet(const Snippet& snippet);

    design::TavikToggle* toggle() const { return toggle_; }
    design::GlyphButton* deleteButton() const { return delete_; }
    qreal opacity() const;
    // Where the texts are drawn, and what the expansion shows there.
    QRectF triggerRect() const;
    QRectF expansionRect() const;
    QString shownExpansion() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int triggerWidth = 150;

signals:
    // The person flipped the switch or asked for the row to go; never sent for store changes.
    void enabledEdited(const QUuid& id, bool enabled);
    void deleteClicked(const QUuid& id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Snippet snippet_;
    bool shown_ = false;
    // Measured when the snippet is shown: the layout asks often while the pane opens.
    qreal triggerHeight_ = 0;
    qreal expansionWidth_ = 0;
    design::TavikToggle* toggle_;
    design::GlyphButton* delete_;
    QGraphicsOpacityEffect* dimming_ = nullptr;
};

} // namespace tavik::panes
