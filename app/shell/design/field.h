#pragma once

#include "app/shell/design/control_state.h"
#include "app/shell/design/motion.h"

#include <QLineEdit>
#include <QWidget>

namespace tavik::design {

//   ╭───────────────────────────╮  deep well, radius 6; 1 px border inside the edge:
//   │ 12 │ text or placeholder │12│  hairlineStrong, or mist at half opacity while the
//   ╰───────────────────────────╯  pointer is over the field (0.12 s ease-out crossfade)
//        9 above and below the text
// A one-line input. The text belongs to the caller: textEdited reports each change the person
// makes, setText shows the caller's value. Return (or Enter) emits submitted. Line breaks and
// tabs that come with a paste are spaces by the time anyone reads the text, and a long paste is
// kept whole.
class TavikField : public QWidget {
    Q_OBJECT
public:
    struct Options {
        bool monospaced = false;
        bool secure = false;
    };

    explicit TavikField(const QString& placeholder, QWidget* parent = nullptr);
    TavikField(const QString& placeholder, Options options, QWidget* parent = nullptr);

    QString text() const { return edit_->text(); }
    // Shows `text`; does nothing when it is already shown, so the cursor stays where it is.
    void setText(const QString& text);
    QString placeholder() const { return edit_->placeholderText(); }
    QLineEdit* lineEdit() const { return edit_; }

    // The border's pointer flag (and its animated mix, 0 = resting, 1 = under the pointer).
    bool hovered() const { return hovered_; }
    double borderMix() const { return border_.value(); }
    ControlStateHook& stateHook() { return hook_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int durationMs = 120;

signals:
    void textEdited(const QString& text);
    void submitted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setHovered(bool hovered);

    QLineEdit* edit_;
    bool hovered_ = false;
    Tween border_;
    ControlStateHook hook_;
};

} // namespace tavik::design
