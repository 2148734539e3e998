#pragma once

#include "app/shell/design/control_state.h"

#include <QAbstractButton>
#include <QHBoxLayout>

namespace tavik::design {

//   ╭───────────────────────────────────────────╮  7 above and below, 10 beside
//   │ (◉) 10 content ……………………………………………… stretch │  selected: kelp fill, mist ring, gradient
//   ╰───────────────────────────────────────────╯  dot; otherwise clear with a faint ring
// One row of a single-choice list. A click anywhere in the row (or Space/Enter) emits clicked();
// the caller decides what selection means and calls setSelected.
class TavikOption : public QAbstractButton {
    Q_OBJECT
public:
    // Hosts `content` (may be null) after the radio mark; the row takes its ownership.
    explicit TavikOption(QWidget* content, QWidget* parent = nullptr);
    // A row whose content is a plain 13 px mist text.
    explicit TavikOption(const QString& text, QWidget* parent = nullptr);

    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    QWidget* content() const { return content_; }
    ControlStateHook& stateHook() { return hook_; }

    // The name screen readers hear: the accessible name if one is set, else the content's texts.
    QString spokenName() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int mark = 15;
    static constexpr int dot = 7;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    QRectF markRect() const;

    QWidget* content_;
    QHBoxLayout* row_;
    bool selected_ = false;
    ControlStateHook hook_;
};

} // namespace tavik::design
