// A dictation of megabytes is laid out a chunk at a time. Its lines, its height and its pixels
// must be those of the whole text laid out in one go, whatever the script, the line breaks or a
// word too long for a line; and in the history pane such a row ends up exactly as tall as that.
#include "app/panes/history/chunked_layout.h"
#include "app/panes/history/dictation_view.h"
#include "app/panes/history/entry_row.h"
#include "app/panes/history/history_list.h"
#include "app/panes/history/wrapped_text.h"
#include "app/shell/design/motion.h"
#include "app/shell/design/theme.h"
#include "tests/panes/history_support.h"
#include "tests/panes/whole_layout.h"
#include "tests/support/fixtures.h"

#include <QImage>
#include <QPainter>
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

// A history whose newest dictation is a pasted book: the pane opens on it at once, and the row
// reaches the exact height of its text while the event loop idles.
TEST(ChunkedLayoutTest, AVeryLongDictationInThePaneEndsAtItsExactHeight) {
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
    ASSERT_EQ(list.rowCount(), 51);
    EXPECT_FALSE(list.settled()) << "the long text is not laid out whole before the pane shows";
    pane.grab(); // the first paint, over the long row

    ASSERT_TRUE(test::spinUntil([&] { return list.settled(); }, 60'000));
    const ListLayout& layout = list.listLayout();
    const EntryRow row;
    const qreal column = layout.width() - 2 * EntryRow::paddingX - EntryRow::timeWidth -
                         2 * EntryRow::spacing - EntryRow::spacerMin;
    QTextLayout whole(QString(entries.first().text), design::Theme::body());
    EXPECT_EQ(layout.rows()[0].height,
              std::ceil(2 * EntryRow::paddingY + wholeLayout(whole, column).height));
    // The rows after it are far below the view: they keep their estimate until it nears them.
    EXPECT_EQ(layout.rows()[1].height, row.estimatedHeight(layout.entry(1), layout.width()));
}

} // namespace
} // namespace tavik::panes
