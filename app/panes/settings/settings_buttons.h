#pragma once

// The settings pane's own painted buttons: the gesture chips, the menu buttons of the key and
// microphone pickers, and the model rows. Each is a QAbstractButton, so it takes keyboard focus,
// presses on Space and is named to screen readers like any button.
#include <QAbstractButton>
#include <QColor>

namespace tavik::panes::settings {

// "Hold" / "Double-tap": a small outlined chip, filled while selected. Screen readers hear the
// chips of one row as radio buttons with the selected one checked; a click only reports itself,
// the row decides what is selected.
class GestureChip final : public QAbstractButton {
    Q_OBJECT
public:
    GestureChip(const QString& text, QWidget* parent = nullptr);

    bool selected() const { return selected_; }
    void setSelected(bool selected);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override {}

private:
    bool selected_ = false;
};

// A closed menu: an optional leading glyph, a title cut off at the end, and a chevron, on a
// deep outlined field. Clicking it is the caller's cue to pop its menu below it.
class MenuButton final : public QAbstractButton {
    Q_OBJECT
public:
    struct Look {
        qreal padX;
        qreal padY;
        qreal textPixels;
        qreal spacing;
        QString leadingGlyph; // empty: none
        qreal leadingGlyphPixels;
    };
    static const Look keyLook;        // the shortcut's key: 104 wide
    static const Look microphoneLook; // the microphone picker: full width

    MenuButton(const Look& look, QWidget* parent = nullptr);

    // The title as shown (plain; elided only when drawn).
    void setTitle(const QString& title);
    QString title() const { return text(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Look look_;
};

} // namespace tavik::panes::settings
