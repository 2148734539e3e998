#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <utility>

namespace tavik::design {
class GlyphButton;
}

namespace tavik::panes {

//   Kubernetes                                        ⊗
//   14 │ the term (13 px, wraps when long) │ 16 │ remove │ 14      9 above and below
// One term of the dictionary's card. The term is drawn straight into the row, so a card of
// hundreds of terms needs no label widget per term. Rows are kept by position and given a new
// term when the list changes, so the row whose button was clicked is never deleted while its
// click is being handled.
class TermRow final : public QWidget {
public:
    explicit TermRow(QWidget* parent);

    const QString& term() const { return term_; }
    void setTerm(const QString& term);
    design::GlyphButton* removeButton() const { return remove_; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    qreal textWidth(int rowWidth) const;
    qreal textHeight(int rowWidth) const;

    QString term_;
    qreal natural_ = 0;
    // The layout asks again and again while the pane opens, at a few widths (with and without
    // the scroll bar); the term is measured once and wrapped heights are kept.
    mutable std::array<std::pair<int, qreal>, 4> heights_{};
    design::GlyphButton* remove_;
};

} // namespace tavik::panes
