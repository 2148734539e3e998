#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

// Text measured the way a reader sees it: extended grapheme clusters ("characters"), Unicode
// character properties of a cluster's first code point, full case mappings and canonical
// equivalence. Everything here is ICU underneath and safe to call from any thread.
namespace tavik::text {

// Whether two strings hold the same text. Copies of one string share its characters, so that is
// nearly always settled without comparing them.
inline bool sameText(const QString& a, const QString& b) {
    return (a.constData() == b.constData() && a.size() == b.size()) || a == b;
}

// Offsets (in UTF-16 units) of every grapheme cluster boundary, 0 and text.size() included.
// An empty text gives {0}.
std::vector<qsizetype> graphemeBoundaries(QStringView text);

// Number of extended grapheme clusters.
qsizetype graphemeCount(QStringView text);

// Where the first `count` grapheme clusters end, or -1 when the text holds no more than `count`.
// Only those clusters and the one after them are looked at, however long the text.
qsizetype graphemePrefixEnd(QStringView text, qsizetype count);

// Words are maximal runs of clusters none of which is white space (first code point has the
// Unicode White_Space property). Punctuation belongs to the word it touches.
int countWords(QStringView text);

// The first code point of a cluster (0 for an empty view).
char32_t firstCodePoint(QStringView cluster);

// Properties of a cluster, judged by its first code point.
bool isWhiteSpace(QStringView cluster);
bool isLetter(QStringView cluster);    // Alphabetic
bool isNumber(QStringView cluster);    // any Unicode numeric type
bool isUpperCase(QStringView cluster); // Uppercase
bool isLowerCase(QStringView cluster); // Lowercase

// Full Unicode case mappings in the root locale (ß → SS, final sigma in context).
QString toLowerFull(QStringView text);
QString toUpperFull(QStringView text);

// Full case folding; `turkic` maps I/İ the way Turkish and Azerbaijani do.
QString foldCase(QStringView text, bool turkic);

// Canonical composition (NFC): canonically equivalent texts give equal strings.
QString normalizedNfc(QStringView text);

// Removes space separators (general category Zs) and tabs at both ends; line breaks stay.
QString trimSpacesAndTabs(QStringView text);

// Whether the user's current locale folds case the Turkic way (Turkish, Azerbaijani).
bool currentLocaleIsTurkic();

// A text folded once for searching: its caseless form and the places in it where no match may
// begin or end (inside a character). Folding is the costly part of a search; a text kept in this
// form is searched for any number of queries with a plain substring search.
class SearchableText {
public:
    SearchableText(QStringView text, bool turkic);

    bool turkic() const { return turkic_; }

private:
    friend class CaseInsensitiveFinder;

    QString folded_;
    // Ascending positions of folded_ inside a character's form; every other one is a boundary.
    std::vector<qsizetype> inside_;
    // The text folded as a whole, when that may differ from folding it character by character
    // (a match must then be one there too).
    QString whole_;
    bool checkWhole_ = false;
    bool turkic_ = false;
};

// A substring search that ignores case but not diacritics, on canonically equivalent forms.
// A match must begin and end on grapheme cluster boundaries of the searched text, so "cafe"
// never matches inside "café", whether that is composed or decomposed.
class CaseInsensitiveFinder {
public:
    CaseInsensitiveFinder(const QString& query, bool turkic);

    bool isEmpty() const { return folded_.isEmpty(); }
    bool foundIn(QStringView text) const;
    // The same for a text folded beforehand under the same rule (Turkic or not).
    bool foundIn(const SearchableText& text) const;

private:
    bool foundInAscii(QStringView text) const;
    // No answer when a character of the text needs the general road.
    std::optional<bool> foundInSimpleText(QStringView text) const;
    bool foundInUnicode(QStringView text) const;

    QString folded_;
    bool queryIsAscii_ = true;
    bool turkic_ = false;
};

} // namespace tavik::text
