// The insights pane against the real history: its empty state, the cards sharing the row, the
// bars drawn to scale, the reliability colours, and following the history as it changes.
#include "app/panes/insights/insights_view.h"
#include "app/panes/insights/insights_widgets.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/motion.h"
#include "app/shell/design/pane_frame.h"
#include "tests/panes/history_support.h"

#include <QLabel>

namespace tavik::panes {
namespace {

class InsightsViewTest : public ::testing::Test {
protected:
    void SetUp() override { design::Motion::setEnabled(false); }

    InsightsView& open(QSize size = QSize(900, 700)) {
        view = std::make_unique<InsightsView>();
        view->resize(size);
        view->show();
        return *view;
    }

    static void add(const QString& app, bool inserted, int count = 1) {
        for (int i = 0; i < count; ++i) {
            History::shared().add(test::dictation("one two three four five six",
                                                  QDateTime::currentDateTime(), app, inserted));
        }
    }

    template <typename T> QList<T*> visible() const {
        QList<T*> shown;
        for (T* child : view->body()->findChildren<T*>()) {
            if (child->isVisibleTo(view.get())) {
                shown.append(child);
            }
        }
        return shown;
    }

    std::unique_ptr<InsightsView> view;
};

TEST_F(InsightsViewTest, NoDictationShowsOnlyTheTitleAndOneSentence) {
    InsightsView& pane = open();
    const QList<design::WrappingLabel*> texts = visible<design::WrappingLabel>();
    ASSERT_EQ(texts.size(), 1);
    EXPECT_EQ(texts[0]->text(), "Nothing to measure yet. Dictate something and this fills in.");
    EXPECT_TRUE(visible<StatCard>().isEmpty());
    const QList<QLabel*> titles = pane.frame()->contentWidget()->findChildren<QLabel*>();
    ASSERT_FALSE(titles.isEmpty());
    EXPECT_EQ(titles.front()->text(), "Insights");
}

TEST_F(InsightsViewTest, CardsShareTheRowAndBarsAreDrawnToScaleFollowingTheHistory) {
    add("Mail", true, 4);
    add("Notes", true, 2);
    InsightsView& pane = open();
    const QList<StatCard*> cards = visible<StatCard>();
    ASSERT_EQ(cards.size(), 4);
    EXPECT_EQ(cards[0]->value(), "36");
    EXPECT_EQ(cards[1]->value(), "6");
    EXPECT_EQ(cards[2]->value(), "90"); // six words in 4 s
    for (StatCard* card : cards) {
        EXPECT_NEAR(card->width(), cards[0]->width(), 1);
    }
    EXPECT_EQ(cards[1]->x() - cards[0]->geometry().right() - 1, 12);

    const QList<ProportionBar*> bars = visible<ProportionBar>();
    ASSERT_EQ(bars.size(), 2);
    EXPECT_DOUBLE_EQ(bars[0]->filledRect().width(), bars[0]->width());
    EXPECT_NEAR(bars[1]->filledRect().width(), bars[1]->width() / 2.0, 0.5);
    // The gradient is laid across the filled part: its right end is the light end.
    const QImage full = bars[0]->grab().toImage();
    const QColor end = full.pixelColor(full.width() - 3, 2);
    const QColor start = full.pixelColor(2, 2);
    EXPECT_GT(end.red(), start.red() + 100);
    const QImage half = bars[1]->grab().toImage();
    EXPECT_GT(half.pixelColor(half.width() / 2 - 3, 2).red(), start.red() + 100);
    EXPECT_LT(half.pixelColor(half.width() / 2 + 3, 2).red(), 30); // the pane shows through

    EXPECT_EQ(pane.texts().success, "100%");
    EXPECT_FALSE(pane.texts().successIsWarning);
    EXPECT_FALSE(pane.texts().failedSentence);

    // A new dictation that missed its application shows at once, in the open pane.
    add("Terminal", false);
    EXPECT_EQ(visible<StatCard>()[1]->value(), "7");
    EXPECT_EQ(pane.texts().success, "86%");
    EXPECT_TRUE(pane.texts().successIsWarning);
    bool sentenceShown = false;
    for (design::WrappingLabel* label : visible<design::WrappingLabel>()) {
        sentenceShown |=
            label->text() ==
            "1 went to the clipboard because no insertion mechanism worked in that app.";
    }
    EXPECT_TRUE(sentenceShown);
    bool orangeShown = false;
    for (QLabel* label : visible<QLabel>()) {
        if (label->text() == "86%") {
            orangeShown =
                label->palette().color(QPalette::WindowText) == InsightsView::warningColor();
        }
    }
    EXPECT_TRUE(orangeShown);

    // Narrow: nothing pushes the pane wider than its view.
    pane.resize(680, 600);
    EXPECT_LE(pane.frame()->contentWidget()->width(), pane.frame()->viewport()->width());
}

} // namespace
} // namespace tavik::panes
