#pragma once

#include <QWidget>

namespace tavik {

class StoreNotices;

namespace design {
class QuietButton;
class WrappingLabel;
} // namespace design

//  28 ╭──────────────────────────────────────────────────────────╮ 28   20 above, 0 below;
//     │ 16 Could not save your history: No space left on   [Try again] │   kelp card, radius 16,
//     │    device. Tavik keeps your changes while it runs…  16          │   1 px half-transparent
//     │                      10                                      │   phosphor border inside,
//     │    history.json could not be read, so Tavik started  [Dismiss]  │   12 px phosphor text,
//     ╰──────────────────────────────────────────────────────────╯   11 above and below
// Above whichever pane the main window shows, while the stores have something to say: the
// changes that could not be saved (until they are), and the one-time notes (a file moved aside,
// a recording lost) until the user dismisses them. Hidden when there is nothing to say.
class StoreNoticeBar final : public QWidget {
    Q_OBJECT
public:
    explicit StoreNoticeBar(StoreNotices& notices, QWidget* parent = nullptr);

    // Everything the bar shows, line by line; empty when it is hidden.
    QString text() const;
    design::QuietButton* retryButton() const { return retry_; }
    design::QuietButton* dismissButton() const { return dismiss_; }

    static constexpr int marginX = 28;
    static constexpr int marginTop = 20;
    static constexpr int paddingX = 16;
    static constexpr int paddingY = 11;
    static constexpr int rowSpacing = 10;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void follow();

    StoreNotices& notices_;
    design::WrappingLabel* unsaved_ = nullptr;
    design::WrappingLabel* notes_ = nullptr;
    design::QuietButton* retry_ = nullptr;
    design::QuietButton* dismiss_ = nullptr;
};

} // namespace tavik
