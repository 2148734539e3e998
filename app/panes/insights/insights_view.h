#pragma once

#include "app/panes/insights/insights_figures.h"

#include <QWidget>

namespace tavik::design {
class PaneFrame;
}

namespace tavik::panes {

// The insights pane, the main window's second section:
//
//   Insights
//   ╭ ≡ 1200        ╮ ╭ 🎙 48       ╮ ╭ ◔ 142         ╮ ╭ 🔥 3      ╮   four cards,
//   12 apart ╰ words dictated╯ ╰ dictations ╯ ╰ words per minute╯ ╰ day streak╯ TIME            At
//   142 words per minute you are roughly 3.6× faster …  (above 40 wpm only) WHERE IT GOES   Mail
//   ……………………………………… 20 / ▬▬▬▬▬▬▬▬▬▬  (six applications at most) RELIABILITY     Insertions that
//   reached the app ………… 97%  / Median time … 412ms
//
// Blocks 26 apart in a view padded by 28. Every figure is read afresh from the history each
// time it changes; with no dictation only the title and one sentence show. Writes nothing.
class InsightsView : public QWidget {
    Q_OBJECT

public:
    explicit InsightsView(QWidget* parent = nullptr);

    design::PaneFrame* frame() const { return frame_; }
    // The blocks under the title, made anew on each change of the history.
    QWidget* body() const { return body_; }
    const InsightsTexts& texts() const { return texts_; }

    // The success percentage's colours: the desktop's orange and green of the dark appearance.
    static QColor warningColor();
    static QColor goodColor();

private:
    void refresh();
    QWidget* makeBody();

    design::PaneFrame* frame_;
    QWidget* body_ = nullptr;
    InsightsTexts texts_;
};

} // namespace tavik::panes
