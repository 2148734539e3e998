#pragma once

#include <QAbstractButton>
#include <QLineEdit>
#include <QWidget>

namespace tavik {
class AppState;
}

namespace tavik::panes {

//   ╭────────────────────────────────────────────────────────────╮  kelp, radius 6, hairline
//   │10 ⌕ 6 Search what you have dictated                    ⓧ 10│  7 above and below
//   ╰────────────────────────────────────────────────────────────╯
// The history's search, bound both ways to the window's search text: each keystroke writes it
// at once, and a change made elsewhere shows here without moving the caret when it is the text
// already shown. The clear button shows while there is any text, spaces included.
class SearchField : public QWidget {
    Q_OBJECT

public:
    explicit SearchField(AppState& state, QWidget* parent = nullptr);

    QLineEdit* lineEdit() const { return edit_; }
    QAbstractButton* clearButton() const { return clear_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void follow();

    AppState& state_;
    QLineEdit* edit_;
    QAbstractButton* clear_;
};

} // namespace tavik::panes
