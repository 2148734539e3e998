#pragma once

#include "app/dictation/dictation_state.h"

#include <QWidget>

namespace tavik::panes::settings {

// The header's pill: a dot and a word for the controller's state on a capsule tinted in the
// same colour. The failure message itself is not shown here.
class StatusPill final : public QWidget {
    Q_OBJECT
public:
    explicit StatusPill(QWidget* parent = nullptr);

    void setState(const dictation::State& state);
    QString text() const { return text_; }
    QColor color() const { return color_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor color_;
};

} // namespace tavik::panes::settings
