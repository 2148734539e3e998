#pragma once

#include "app/panes/history/wrapped_text.h"
#include "app/shell/design/motion.h"

#include <QWidget>

namespace tavik {
class AppState;
}

namespace tavik::panes {

//            ╭──────────────────────────────╮   kelp card, radius 16, 1 px border inside:
//            │16  the notice, centred,    16│   half-transparent phosphor for an error,
//            │    wrapped, never cut short  │   else hairline; 11 above and below the text
//            ╰──────────────────────────────╯
//                          20
// ─────────────────── bottom edge of the pane ──────────────
// The window's notice, floating over the bottom of the pane, at most 460 wide. It fades in and
// out over 0.18 s; while it fades out it keeps showing the notice that just ended. It sits
// above the scrolled content and never moves it.
class NoticeOverlay : public QWidget {
    Q_OBJECT

public:
    explicit NoticeOverlay(AppState& state, QWidget* parent);

    // The text shown (the last notice while fading out) and whether it is styled as an error.
    const QString& text() const { return text_; }
    bool isError() const { return isError_; }
    double opacity() const { return fade_.value(); }

    // Places the card over the bottom of its parent for the text it shows.
    void place();

    static constexpr int maxWidth = 460;
    static constexpr int paddingX = 16;
    static constexpr int paddingY = 11;
    static constexpr int bottomGap = 20;
    static constexpr int fadeMs = 180;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow();

    AppState& state_;
    QString text_;
    bool isError_ = false;
    WrappedText wrapped_;
    design::Tween fade_;
};

} // namespace tavik::panes
