#pragma once

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tavik::design {

// The frame every pane stands in:
//
//   ┌ scroll view (vertical only) ──────────────┐
//   │ 28                                         │
//   │ 28  Title            30 px medium, -0.8    │
//   │     Subtitle         12 px silver          │
//   │     ⋮ content()  (a stack, `spacing` apart)│
//   │                                        28  │
//   └────────────────────────────────────────────┘
//
// The pane adds its header and its children to content(), top to bottom; content stays at the
// top when it is shorter than the view and scrolls when it is taller. Its width follows the
// view's, so text wraps rather than scrolling sideways.
class PaneFrame : public QScrollArea {
public:
    explicit PaneFrame(QWidget* parent = nullptr);

    // The padded stack the pane fills.
    QVBoxLayout* content() const { return content_; }
    QWidget* contentWidget() const { return body_; }
    void setSpacing(int spacing) { content_->setSpacing(spacing); }

    // Adds the usual header as the stack's next child: the title over the subtitle (left out
    // when empty), `spacing` apart. Returns the header so a pane can add to its row.
    QWidget* addHeader(const QString& title, const QString& subtitle = {}, int spacing = 5);

    // The title and subtitle texts on their own, for panes whose header has more in it.
    static QLabel* makeTitle(const QString& text, QWidget* parent = nullptr);
    static QLabel* makeSubtitle(const QString& text, QWidget* parent = nullptr);

    static constexpr int padding = 28;

private:
    QWidget* body_;
    QVBoxLayout* content_;
};

// A plain-text label in a colour and font: the panes' many small texts. Word-wrapped when asked.
QLabel* makeText(const QString& text, const QFont& font, const QColor& color,
                 QWidget* parent = nullptr, bool wrap = false);

} // namespace tavik::design
