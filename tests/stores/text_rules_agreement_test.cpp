// Word counting and the history's search take shortcuts for texts of characters that stand
// alone. Whatever the text, they must answer exactly as the character rules do: words as runs of
// grapheme clusters that are not white space, and a match as the caseless query found on cluster
// boundaries of the text folded cluster by cluster, in a text that also holds it when folded
// whole. The rules are written out here once more with ICU alone and compared on texts drawn from
// characters that test every rule: marks, joiners, prepended marks, jamo, regional indicators,
// emoji, every kind of space, CR LF, lone surrogates, and letters with odd foldings.
#include "app/stores/text_graphemes.h"
#include "tools/history-seed/history_seed.h"

#include <QRandomGenerator>

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <gtest/gtest.h>

namespace tavik::text {
namespace {

const QList<char32_t> pool = {
    U'a',    U'Z',    U'e',    U'i',    U'I',    U' ',    U' ',   U'\t',  U'\r', U'\n',
    U'.',    U',',    0x00A0,  0x2003,  0x3000,  0x0085,  0x2028, 0x180E, // spaces, separators
    0x0439,  0x0419,  0x0451,  0x0401,  0x0436,  0x0416,                  // й Й ё Ё ж Ж
    0x03AC,  0x03C3,  0x03C2,  0x03A3,  0x0345,  0x1F88,  0x0390,         // Greek, iota subscript
    0x0301,  0x0308,  0x0306,  0x0307,  0x0344,  0x0F73,  0x0F71, // marks, odd decompositions
    0x200D,  0xFE0F,  0x1F469, 0x1F4BB, 0x1F44D, 0x1F3FD,         // joiner, emoji, modifier
    0x1F1E9, 0x1F1EA,                                             // regional indicators
    0xAC00,  0xAC01,  0x1100,  0x1161,  0x11A8,                   // Hangul syllables and jamo
    0x0600,  0x110BD, 0x0903,  0x0915,  0x094D,  0x0D4E,          // prepended, spacing marks
    0x00DF,  0x1E9E,  0x0130,  0x0131,  0x212A,  0x212B,  0xFB01, 0x00C5, // odd foldings
    0x65E5,  0x672C,  0xFF76,  0xFF9E,  0x3099, // CJK, half-width, voicing
    0xD800,  0xDC00,                            // lone surrogates
};

QString randomText(QRandomGenerator& random, int maxLength) {
    QString text;
    const int length = int(random.bounded(maxLength + 1));
    for (int i = 0; i < length; ++i) {
        const char32_t c = pool[qsizetype(random.bounded(quint32(pool.size())))];
        if (c < 0x10000) {
            text.append(QChar(char16_t(c)));
        } else {
            text.append(QString::fromUcs4(&c, 1));
        }
    }
    return text;
}

int wordsByClusters(const QString& text) {
    const std::vector<qsizetype> bounds = graphemeBoundaries(text);
    int words = 0;
    bool inWord = false;
    for (size_t i = 0; i + 1 < bounds.size(); ++i) {
        const bool blank =
            isWhiteSpace(QStringView(text).sliced(bounds[i], bounds[i + 1] - bounds[i]));
        words += (!blank && !inWord) ? 1 : 0;
        inWord = !blank;
    }
    return words;
}

QString fromIcu(const icu::UnicodeString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

// Normalised (NFD, or NFC under the Turkic rules), folded, recomposed.
QString caseless(QStringView text, bool turkic) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* first = turkic ? icu::Normalizer2::getNFCInstance(status)
                                           : icu::Normalizer2::getNFDInstance(status);
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    icu::UnicodeString value =
        first->normalize(icu::UnicodeString(text.utf16(), int32_t(text.size())), status);
    value.foldCase(turkic ? U_FOLD_CASE_EXCLUDE_SPECIAL_I : U_FOLD_CASE_DEFAULT);
    return fromIcu(nfc->normalize(value, status));
}

bool foundByClusters(const QString& query, const QString& text, bool turkic) {
    const QString wanted = caseless(query, turkic);
    if (wanted.isEmpty()) {
        return true;
    }
    if (!caseless(text, turkic).contains(wanted)) {
        return false;
    }
    const std::vector<qsizetype> bounds = graphemeBoundaries(text);
    QString folded;
    std::vector<bool> boundary(1, true);
    for (size_t i = 0; i + 1 < bounds.size(); ++i) {
        folded += caseless(QStringView(text).sliced(bounds[i], bounds[i + 1] - bounds[i]), turkic);
        boundary.resize(size_t(folded.size()) + 1, false);
        boundary.back() = true;
    }
    for (qsizetype at = folded.indexOf(wanted); at >= 0; at = folded.indexOf(wanted, at + 1)) {
        if (boundary[size_t(at)] && boundary[size_t(at + wanted.size())]) {
            return true;
        }
    }
    return false;
}

TEST(TextRulesAgreement, WordsOfAnyTextAreRunsOfClustersThatAreNotWhiteSpace) {
    QRandomGenerator random(20251209);
    for (int i = 0; i < 20000; ++i) {
        const QString text = randomText(random, 24);
        ASSERT_EQ(countWords(text), wordsByClusters(text)) << text.toStdString();
    }
    for (const QStringList& words : {seed::cyrillicWords(), seed::mixedScriptWords()}) {
        const QString text = seed::longText(words, 20000, 3);
        EXPECT_EQ(countWords(text), wordsByClusters(text));
    }
}

TEST(TextRulesAgreement, SearchFindsWhatTheClusterRulesFindInEveryScript) {
    QRandomGenerator random(771);
    int found = 0;
    for (int i = 0; i < 6000; ++i) {
        const bool turkic = i % 5 == 0;
        const QString text = randomText(random, 30);
        // Half the queries are pieces of the text in another case, so matches are common.
        QString query = randomText(random, 4);
        if (i % 2 == 0 && !text.isEmpty()) {
            const qsizetype from = qsizetype(random.bounded(quint32(text.size())));
            query = text.mid(from, qsizetype(random.bounded(5)) + 1);
            query = i % 4 == 0 ? query.toUpper() : query.toLower();
        }
        const bool expected = foundByClusters(query, text, turkic);
        found += expected ? 1 : 0;
        const CaseInsensitiveFinder finder(query, turkic);
        ASSERT_EQ(finder.foundIn(text), expected)
            << "query " << query.toStdString() << " in " << text.toStdString()
            << (turkic ? " (Turkic)" : "");
        // A text folded once beforehand, as the history keeps its texts between keystrokes.
        ASSERT_EQ(finder.foundIn(SearchableText(text, turkic)), expected)
            << "query " << query.toStdString() << " in the kept form of " << text.toStdString();
    }
    EXPECT_GT(found, 1000); // the comparison saw plenty of matches, not only misses

    for (const QStringList& words : {seed::cyrillicWords(), seed::mixedScriptWords()}) {
        const QString text = seed::longText(words, 3000, 11);
        for (const QString& query :
             {words[3].toUpper(), words[7], text.mid(1200, 9).toUpper(), QStringLiteral("zebra")}) {
            const bool expected = foundByClusters(query, text, false);
            EXPECT_EQ(CaseInsensitiveFinder(query, false).foundIn(text), expected)
                << query.toStdString();
            EXPECT_EQ(CaseInsensitiveFinder(query, false).foundIn(SearchableText(text, false)),
                      expected)
                << query.toStdString();
        }
    }
}

} // namespace
} // namespace tavik::text
