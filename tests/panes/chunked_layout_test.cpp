// A dictation of megabytes is laid out a chunk at a time. Its lines, its height and its pixels
// must be those of the whole text laid out in one go, whatever the script, the line breaks or a
// word too long for a line; and in the history pane such a row is laid out only as far as it is
// shown, and ends up exactly as tall as that.
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

            // Two windows onto the text, the second deep inside it, drawn both ways.
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
                    chunked.draw(painter, QPointF(0, -top), clip);
                }
                EXPECT_EQ(drawn, expected) << "text " << which << " at " << width << ", " << top;
            }
        }
    }
}

// A history whose newest dictation is a pasted book: the pane opens on it at once and lays out
// only what is in and near the view, drawing exactly the lines a whole layout makes. Scrolling
// down through it lays out more, correcting the estimate of its end without moving what is in
// view; at its end the row is exactly as tall as its text.
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
    HistoryList& list = *pane.list();
    ASSERT_EQ(list.rowCount(), 51);
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
    const auto rowTopInPane = [&] {
        return list.mapTo(&pane, QPoint(0, int(layout.rows()[0].top))).y();
    };

    pane.grab(); // the first paint, over the long row
    ASSERT_TRUE(settle());
    EXPECT_FALSE(known().complete);
    EXPECT_LT(known().known, wholeHeight / 20) << "laid out far beyond the view";

    // What is in view is what a whole layout draws there.
    const QRectF text = list.rowGeometry(0).text;
    const QRect seen = list.visibleRegion().boundingRect();
    const QRect area(int(text.left()) - 4, std::max(seen.top(), int(text.top())), int(column) + 8,
                     std::min(seen.bottom(), 2000) - int(text.top()));
    ASSERT_GT(area.height(), 100);
    const QImage drawn =
        list.grab(area).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage expected(drawn.size(), QImage::Format_ARGB32_Premultiplied);
    expected.fill(drawn.pixelColor(drawn.width() - 1, 0)); // the card, right of the text
    {
        QPainter painter(&expected);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setPen(design::Theme::label);
        whole.draw(&painter, text.topLeft() - QPointF(area.topLeft()));
    }
    EXPECT_EQ(drawn, expected);

    // Down inside the row to the end of its known lines: more is laid out, and the row moves by
    // the scroll alone.
    const int topBefore = rowTopInPane();
    const qreal knownBefore = known().known;
    const int page = bar->pageStep();
    const int down = int(knownBefore) - page / 2;
    bar->setValue(bar->value() + down);
    ASSERT_TRUE(settle());
    EXPECT_GT(known().known, knownBefore);
    EXPECT_FALSE(known().complete);
    EXPECT_EQ(rowTopInPane(), topBefore - down) << "the view jumped as the estimate changed";

    // To the end of the row, however far its estimate puts it.
    for (int step = 0; step < 100 && !known().complete; ++step) {
        const int bottom =
            list.mapTo(pane.frame()->contentWidget(),
                       QPoint(0, int(layout.rows()[0].top + layout.rows()[0].height)))
                .y();
        bar->setValue(bottom - page / 2);
        ASSERT_TRUE(settle());
    }
    ASSERT_TRUE(known().complete);
    EXPECT_EQ(layout.rows()[0].height, std::ceil(2 * EntryRow::paddingY + wholeHeight));
    // The rows after it are far below the view: they keep their estimate until it nears them.
    EXPECT_EQ(layout.rows()[40].height, row.estimatedHeight(layout.entry(40), layout.width()));
}

} // namespace
} // namespace tavik::panes
