// A dictation of megabytes is laid out a chunk at a time. Its lines, its height and its pixels
// must be those of the whole text laid out in one go, whatever the script, the line breaks or a
// word too long for a line; and in the history pane such a row is laid out only as far as it is
// shown.
#include "app/panes/history/chunked_layout.h"
#include "app/panes/history/dictation_view.h"
#include "app/panes/history/entry_row.h"
#include "app/panes/history/history_list.h"
#include "app/panes/history/wrapped_text.h"
#include "app/shell/design/motion.h"
#include "app/shell/design/pane_frame.h"
#include "app/shell/design/theme.h"
#include "tests/panes/history_support.h"
#include "tests/panes/whole_layout.h"
#include "tests/support/fixtures.h"

#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>

#include <cmath>

namespace tavik::panes {
namespace {

struct Whole {
    std::vector<qsizetype> starts;
    qreal height = 0;
};

Whole wholeLayout(QTextLayout& layout, qreal width) {
    Whole whole;
    layout.setTextOption(test::wrapAnywhere());
    whole.height = test::layOutWhole(layout, width);
    for (int i = 0; i < layout.lineCount(); ++i) {
        whole.starts.push_back(layout.lineAt(i).textStart());
    }
    return whole;
}

QString longTexts(int which) {
    QString text;
    if (which == 0) {
        text = seed::longText(seed::cyrillicWords(), 120'000, 5);
    } else if (which == 1) {
        text = seed::longText(seed::mixedScriptWords(), 120'000, 6);
    } else {
        // Lines of their own, and words longer than any line, broken anywhere.
        for (int i = 0; text.size() < 120'000; ++i) {
            text += seed::longText(seed::cyrillicWords(), 700, quint32(i));
            text += i % 3 == 0 ? QString(QChar::LineSeparator) : QString(' ');
            text += QString(1500 + i % 7, QChar(u'ж'));
            text += ' ';
        }
    }
    return text;
}

TEST(ChunkedLayoutTest, LinesHeightAndPixelsAreThoseOfTheWholeText) {
    const QFont font = design::Theme::body();
    for (int which = 0; which < 3; ++which) {
        const QString text = longTexts(which);
        for (const qreal width : {233.0, 640.5}) {
            QTextLayout layout(text, font);
            layout.setCacheEnabled(true);
            const Whole whole = wholeLayout(layout, width);
            ChunkedLayout chunked(text, font, test::wrapAnywhere(), width);
            chunked.advance(0);
            ASSERT_FALSE(chunked.complete()) << "the text is laid out in more than one chunk";
            while (!chunked.complete()) {
                chunked.advance(0);
            }
            ASSERT_EQ(chunked.lineStarts(), whole.starts) << "text " << which << " at " << width;
            EXPECT_EQ(chunked.height(), whole.height);

            // Two windows onto the text, the second deep inside it, drawn both ways; the first
            // by a layout that lays out no further than it draws.
            ChunkedLayout fresh(text, font, test::wrapAnywhere(), width);
            for (const qreal top : {0.0, std::floor(whole.height * 0.61)}) {
                const QRectF clip(0, top, width + 20, 400);
                QImage expected(clip.size().toSize(), QImage::Format_ARGB32_Premultiplied);
                expected.fill(Qt::black);
                QImage drawn = expected;
                {
                    QPainter painter(&expected);
                    painter.setPen(Qt::white);
                    layout.draw(&painter, QPointF(0, -top));
                }
                {
                    QPainter painter(&drawn);
                    painter.setPen(Qt::white);
                    (top == 0 ? fresh : chunked).draw(painter, QPointF(0, -top), clip);
                }
                EXPECT_EQ(drawn, expected) << "text " << which << " at " << width << ", " << top;
            }
            EXPECT_FALSE(fresh.complete());
        }
    }
}

// A frame drawn far below the known lines, as after a jump to the end of a pasted book, shows at
// once what is known instead of spending its time on lines that cannot reach it; one drawn just
// below them lays out until they do.
TEST(ChunkedLayoutTest, AFrameLaysOutOnlyWhenItsTimeCanReachWhatItDraws) {
    ChunkedLayout layout(longTexts(0), design::Theme::body(), test::wrapAnywhere(), 400);
    layout.advance(0);
    layout.advance(0);
    const qreal known = layout.knownHeight();
    QImage image(420, 300, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    // A millisecond lays out a few of the text's thirty chunks on the fastest machine.
    constexpr qint64 budgetNs = 1'000'000;
    const QRectF far(0, std::floor(layout.height() * 0.9), 420, 300);
    layout.draw(painter, -far.topLeft(), far, budgetNs);
    EXPECT_EQ(layout.knownHeight(), known) << "a frame laid out lines far above what it draws";

    const QRectF near(0, std::floor(known) + 10, 420, 300);
    layout.draw(painter, -near.topLeft(), near, budgetNs);
    EXPECT_GT(layout.knownHeight(), near.top());
}

// A history whose newest dictation is a pasted book: the pane lays out only what is in and near
// the view. Scrolling down through it lays out more, correcting the estimate of its end without
// moving what is in view; at its end the row is exactly as tall as its text.
TEST(ChunkedLayoutTest, AVeryLongDictationIsLaidOutAsFarAsTheViewNeeds) {
    design::Motion::setEnabled(false);
    test::ControllerStage stage;
    stage.start();
    test::FakeClock clock;
    clock.setWallStart(QDateTime::currentDateTimeUtc());
    AppState state(clock);
    const QDateTime now = QDateTime::currentDateTime();
    QList<HistoryEntry> entries = seed::manyDictations(50, now.addSecs(-60));
    entries.prepend(seed::dictation(seed::longText(seed::cyrillicWords(), 400'000, 9), now));
    test::seedHistoryFile(entries);
    DictationView pane(stage.controller(), state);
    pane.resize(900, 700);
    pane.show();
    const HistoryList& list = *pane.list();
    const ListLayout& layout = list.listLayout();
    QScrollBar* bar = pane.frame()->verticalScrollBar();
    const EntryRow row;
    const qreal column = layout.width() - 2 * EntryRow::paddingX - EntryRow::timeWidth -
                         2 * EntryRow::spacing - EntryRow::spacerMin;
    QTextLayout whole(QString(entries.first().text), design::Theme::body());
    const qreal wholeHeight = wholeLayout(whole, column).height;
    const auto settle = [&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        return test::spinUntil([&] { return list.settled(); }, 60'000);
    };
    const auto known = [&] {
        return row.progress(layout.entry(0), layout.width());
    };
    const auto contentY = [&](qreal y) {
        return list.mapTo(pane.frame()->contentWidget(), QPoint(0, int(y))).y();
    };

    pane.grab(); // the first paint, over the long row
    ASSERT_TRUE(settle());
    const WrappedText::Progress first = known();
    EXPECT_LT(first.known, wholeHeight / 20) << "laid out far beyond the view";

    // Down to the end of the known lines: more is laid out, and the view stays where it was put.
    const int down = contentY(layout.rows()[0].top + first.known) - bar->pageStep() / 2;
    bar->setValue(down);
    ASSERT_TRUE(settle());
    EXPECT_GT(known().known, first.known);
    EXPECT_FALSE(known().complete);
    EXPECT_EQ(bar->value(), down) << "the view moved as the row's estimate changed";

    // Dragged deep into the row, a frame does not wait for every line above the view.
    const qreal deep = 0.9 * layout.rows()[0].height;
    bar->setValue(contentY(layout.rows()[0].top + deep));
    pane.grab();
    EXPECT_LT(known().known, deep - bar->pageStep());

    // To its end, however far its estimate puts it.
    for (int step = 0; step < 100 && !known().complete; ++step) {
        bar->setValue(contentY(layout.rows()[0].top + layout.rows()[0].height) -
                      bar->pageStep() / 2);
        ASSERT_TRUE(settle());
    }
    EXPECT_EQ(layout.rows()[0].height, std::ceil(2 * EntryRow::paddingY + wholeHeight));
}

} // namespace
} // namespace tavik::panes
