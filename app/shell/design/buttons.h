#pragma once

#include "app/shell/design/control_state.h"

#include <QAbstractButton>
#include <QColor>
#include <QFont>

namespace tavik::design {

// Qt reads '&' in a button's or menu item's text as a keyboard mnemonic. A text that comes from
// data goes through escapeMnemonics first, so "R&D" shows as written; shownMnemonicText gives
// back what is drawn ("&&" as "&", a lone '&' marker dropped).
QString escapeMnemonics(const QString& text);
QString shownMnemonicText(const QString& text);

// Everything one button style decides, from the tokens; the painting reads nothing else.
struct ButtonStyle {
    enum class Fill { aurora, solid, none };

    int fontPixels = 12;
    QFont::Weight weight = QFont::Medium;
    qreal tracking = 0;
    bool upperCase = false;
    QColor text;
    QColor textDown; // while held down
    int paddingX = 14;
    int paddingY = 7;
    qreal radius = 6;
    Fill fill = Fill::solid;
    QColor fillColor;
    QColor fillDown;
    QColor outline;        // behind the label (quiet)
    QColor overlay;        // over the fill (kelp)
    qreal downOpacity = 1; // the whole button while held down (aurora)
    int glyphSpacing = 6;

    static const ButtonStyle& aurora();
    static const ButtonStyle& kelp();
    static const ButtonStyle& quiet();
};

//   ╭────────────────────╮  paddingY
//   │ paddingX [◇] LABEL │  an optional leading glyph, then the label
//   ╰────────────────────╯
// The pressed look follows the pressed flag at once (no animation, no hover look, as the three
// styles are designed). Reached by Tab, pressed with Space or Enter; a focus ring shows then.
class TavikButton : public QAbstractButton {
    Q_OBJECT
public:
    TavikButton(const ButtonStyle& style, const QString& text, QWidget* parent = nullptr);

    const ButtonStyle& buttonStyle() const { return *style_; }
    // A glyph before the label, drawn at `size` px in the label's colour. Empty name: none.
    void setGlyph(const QString& name, int size = 12);
    QString glyph() const { return glyph_; }

    ControlStateHook& stateHook() { return hook_; }
    ControlState controlState() const { return hook_.resolve(*this, isDown()); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString shownText() const;

    const ButtonStyle* style_;
    QString glyph_;
    int glyphSize_ = 12;
    ControlStateHook hook_;
};

class AuroraButton : public TavikButton {
    Q_OBJECT
public:
    explicit AuroraButton(const QString& text = {}, QWidget* parent = nullptr)
        : TavikButton(ButtonStyle::aurora(), text, parent) {}
};

class KelpButton : public TavikButton {
    Q_OBJECT
public:
    explicit KelpButton(const QString& text = {}, QWidget* parent = nullptr)
        : TavikButton(ButtonStyle::kelp(), text, parent) {}
};

class QuietButton : public TavikButton {
    Q_OBJECT
public:
    explicit QuietButton(const QString& text = {}, QWidget* parent = nullptr)
        : TavikButton(ButtonStyle::quiet(), text, parent) {}
};

} // namespace tavik::design
