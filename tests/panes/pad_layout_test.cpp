// The scratchpad editor's layout against the plain way of laying text out: every paragraph whole
// in one QTextLayout. Cutting a paragraph into chunks, laying out only what is looked at, taking
// a guessed start far ahead and mending it, and edits of every kind must all end in those lines.
#include "app/panes/scratchpad/pad_layout.h"
#include "app/shell/design/theme.h"
#include "tests/panes/whole_layout.h"

#include <QTextLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace tavik::panes {
namespace {

struct Line {
    qsizetype start;
    qsizetype end;
    qreal top;
    bool operator==(const Line& other) const {
        return start == other.start && end == other.end && qAbs(top - other.top) < 0.01;
    }
};

std::ostream& operator<<(std::ostream& out, const Line& line) {
    return out << "[" << line.start << ", " << line.end << ") at " << line.top;
}

bool isBreak(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator;
}

// Each paragraph whole, as one layout.
std::vector<Line> wholeLayout(const QString& text, const QFont& font, qreal width) {
    std::vector<Line> lines;
    qreal top = 0;
    qsizetype start = 0;
    for (;;) {
        qsizetype end = start;
        while (end < text.size() && !isBreak(text[end])) {
            ++end;
        }
        const QString paragraph = text.mid(start, end - start);
        QTextLayout layout(paragraph, font);
        QTextOption option = test::wrapAnywhere();
        option.setTextDirection(paragraph.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
        layout.setTextOption(option);
        test::layOutWhole(layout, width, /*leading=*/true);
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            lines.push_back(
                {start + line.textStart(), start + line.textStart() + line.textLength(), top});
            top += line.height();
        }
        if (end == text.size()) {
            return lines;
        }
        start =
            end + ((text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ? 2 : 1);
    }
}

// Every line, from the top down, as the editor walks them.
std::vector<Line> walk(PadLayout& layout) {
    std::vector<Line> lines;
    for (PadLine line = layout.lineAt(0); line.isValid(); line = layout.below(line)) {
        lines.push_back({line.start(), line.end(), line.top()});
    }
    return lines;
}

class PadLayoutTest : public ::testing::Test {
protected:
    std::mt19937 random{20240611};

    qsizetype below(qsizetype n) {
        return std::uniform_int_distribution<qsizetype>(0, n - 1)(random);
    }

    // Words of one to twelve letters, Latin and Cyrillic, some punctuation, now and then a tab,
    // a word too long for any line, or a run of Japanese with no spaces at all.
    QString words(qsizetype length) {
        static const QString latin = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
        static const QString cyrillic = QStringLiteral("абвгдежзийклмнопрстуфхцчшщыэюя");
        QString out;
        while (out.size() < length) {
            const qsizetype kind = below(40);
            if (kind == 0) {
                out += QString(180, QLatin1Char('w'));
            } else if (kind == 1) {
                out += QStringLiteral("日本語の文章は空白なしで長く続きます。");
            } else if (kind == 2) {
                out += QLatin1Char('\t');
            } else {
                const QString& letters = kind % 3 == 0 ? cyrillic : latin;
                for (qsizetype n = 1 + below(12); n > 0; --n) {
                    out += letters[below(letters.size())];
                }
                out += kind % 7 == 0 ? QStringLiteral(", ") : QStringLiteral(" ");
            }
        }
        return out;
    }

    // Paragraphs of every kind of break, empty ones, a line separator inside one, a pair of
    // surrogates, a right-to-left one.
    QString paragraphs() {
        QString text = words(3000) + QStringLiteral("\r\n\r\n") + words(40) + QChar(0x2028) +
                       words(300) + QStringLiteral("\r") + QStringLiteral("שלום עולם, ") +
                       words(200) + QChar(0x2029) + QStringLiteral("emoji 😀 here") +
                       QStringLiteral("\n\n\n");
        for (int i = 0; i < 30; ++i) {
            text += words(below(400)) + QStringLiteral("\n");
        }
        return text;
    }

    void expectWholeLayout(PadLayout& layout, const QString& text, qreal width,
                           const std::string& when) {
        const std::vector<Line> expected = wholeLayout(text, font, width);
        const std::vector<Line> laid = walk(layout);
        ASSERT_EQ(laid.size(), expected.size()) << when;
        for (size_t i = 0; i < laid.size(); ++i) {
            ASSERT_EQ(laid[i], expected[i]) << when << ", line " << i;
        }
        EXPECT_NEAR(layout.height(), laid.back().top + layout.lineOf(text.size()).line.height(),
                    0.01)
            << when;
    }

    QFont font = design::Theme::body();
};

TEST_F(PadLayoutTest, LinesAreThoseOfEachParagraphLaidOutWholeAtEveryWidth) {
    const QString text = words(60000) + QStringLiteral("\n") + paragraphs();
    for (const qreal width : {97.0, 333.0, 729.0}) {
        PadLayout layout(text);
        layout.setFont(font);
        layout.setWidth(width);
        expectWholeLayout(layout, text, width, "width " + std::to_string(width));
    }
    for (const QString& small : {QString(), QStringLiteral("\n"), QStringLiteral("one\r\n")}) {
        PadLayout layout(small);
        layout.setFont(font);
        layout.setWidth(200);
        expectWholeLayout(layout, small, 200, "the text \"" + small.toStdString() + "\"");
    }
}

TEST_F(PadLayoutTest, EditsAnywhereEndInTheLinesOfAWholeLayout) {
    QString text = words(40000) + paragraphs() + words(20000);
    PadLayout layout(text);
    layout.setFont(font);
    layout.setWidth(413);
    const QString pieces[] = {QStringLiteral("x"),
                              QStringLiteral(" "),
                              QStringLiteral("\n"),
                              QStringLiteral("\r"),
                              QStringLiteral("two words "),
                              words(700),
                              words(5000) + "\n" + words(90000)};
    for (int step = 0; step < 240; ++step) {
        // Look somewhere, as the view and the caret do, so that edits meet laid-out chunks,
        // estimated ones and guessed ones.
        layout.lineOf(below(text.size() + 1));
        const qsizetype at = below(text.size() + 1);
        const qsizetype removed = below(5) == 0 ? std::min<qsizetype>(below(3000), text.size() - at)
                                                : std::min<qsizetype>(below(3), text.size() - at);
        const QString& inserted = below(3) == 0 ? QString() : pieces[below(std::size(pieces) - 1)];
        const QString with = step == 120 ? pieces[std::size(pieces) - 1] : inserted;
        text.replace(at, removed, with);
        layout.edit(at, removed, with.size());
        if (step % 40 == 39) {
            expectWholeLayout(layout, text, 413, "after edit " + std::to_string(step));
        }
    }
    // The first word of a chunk cut to one letter fits on the line above it now, in the chunk
    // before; done from the top down at every chunk that begins inside a paragraph.
    layout.lineOf(text.size() / 2); // laid out from the top to half way
    qsizetype last = 0;
    for (int cuts = 0; cuts < 40;) {
        const std::vector<qsizetype> starts = layout.chunkStarts();
        const auto next = std::find_if(starts.begin(), starts.end(), [&](qsizetype at) {
            return at > last && text[at - 1] == u' ' && at + 2 < text.size() &&
                   text[at].isLetter() && text[at + 1].isLetter();
        });
        if (next == starts.end()) {
            break;
        }
        qsizetype end = *next;
        while (end < text.size() && text[end].isLetter()) {
            ++end;
        }
        text.remove(*next + 1, end - *next - 1);
        layout.edit(*next + 1, end - *next - 1, 0);
        last = *next;
        ++cuts;
    }
    expectWholeLayout(layout, text, 413, "after shortening the first words of chunks");
    // Down to nothing and back.
    const qsizetype all = text.size();
    text.clear();
    layout.edit(0, all, 0);
    expectWholeLayout(layout, text, 413, "emptied");
    text = QStringLiteral("fresh");
    layout.edit(0, 0, text.size());
    expectWholeLayout(layout, text, 413, "refilled");
}

TEST_F(PadLayoutTest, OnlyWhatIsLookedAtIsLaidOutAndAFarJumpIsMendedLater) {
    // Well over half a megabyte of one paragraph, as dictation makes it.
    QString text = words(600'000);
    PadLayout layout(text);
    layout.setFont(font);
    layout.setWidth(729);
    layout.lineAt(0);
    EXPECT_LE(layout.laidLength(), 8192);

    // The end, far beyond what may be laid out line by line to reach it.
    const PadLine last = layout.lineOf(text.size());
    EXPECT_EQ(last.end(), text.size());
    const qreal lineHeight = last.line.height();
    EXPECT_LE(layout.laidLength(), 16384);

    // A keystroke at the top and one at the end lay out around themselves only.
    const qsizetype before = layout.laidLength();
    text.insert(5, QLatin1Char('x'));
    layout.edit(5, 0, 1);
    text.append(QStringLiteral(" more"));
    layout.edit(text.size() - 5, 0, 5);
    layout.lineOf(text.size());
    EXPECT_LE(layout.laidLength(), before + 8192);

    // The height is estimated from the lines laid out so far.
    const std::vector<Line> whole = wholeLayout(text, font, 729);
    EXPECT_NEAR(layout.height() / (whole.back().top + lineHeight), 1.0, 0.05);
    // Walking down from the top mends the guessed start: every line is as a whole layout.
    expectWholeLayout(layout, text, 729, "after walking down to the guessed end");
}

} // namespace
} // namespace tavik::panes
