#pragma once

#include "app/panes/insights/insights_figures.h"

#include "platform/clock.h"

#include <QWidget>

namespace tavik::design {
class PaneFrame;
}

namespace tavik::panes {

// The insights pane, the main window's second section (blocks 26 apart, padded by 28):
//
//   Insights
//   +-------------+ +-------------+ +------------------+ +------------+  four cards sharing
//   | =  1200     | | m  48       | | g  142           | | f  3       |  the row, 12 apart
//   | words dict. | | dictations  | | words per minute | | day streak |
//   +-------------+ +-------------+ +------------------+ +------------+
//   TIME            (only above 40 words per minute)
//   At 142 words per minute you are roughly 3.6x faster than typing ... saved so far.
//   WHERE IT GOES   (six applications at most)
//   Mail ...................................................... 20
//   ============================================================
//   RELIABILITY
//   Insertions that reached the app ............................ 97%
//   Median time from speech to text ............................ 412ms
//
// Every figure is read afresh from the history each time it changes, and again when the date
// changes under the open pane (midnight, a clock jump, a time zone change); with no dictation
// only the title and one sentence show. Writes nothing.
class InsightsView : public QWidget {
    Q_OBJECT

public:
    explicit InsightsView(QWidget* parent = nullptr,
                          platform::Clock& clock = platform::Clock::system());

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

    platform::Clock& clock_;
    design::PaneFrame* frame_;
    QWidget* body_ = nullptr;
    InsightsTexts texts_;
};

} // namespace tavik::panes
