// The history's search: a substring match that ignores case but not diacritics and begins and
// ends on character boundaries. Most texts (Cyrillic, Greek, CJK, precomposed Latin) are made
// of characters that each form a cluster of their own and fold to one code unit that joins its
// neighbours' forms unchanged; those are folded through a table, one lookup per character. Any
// other text takes the general road of folding cluster by cluster with ICU.
#include "app/stores/text_graphemes.h"
#include "app/stores/text_unicode.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>

#include <QHash>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

namespace tavik::text {

using detail::asciiLower;
using detail::fromIcu;
using detail::isAscii;
using detail::normalizer;
using detail::splitsCrLf;
using detail::toIcu;

namespace {

// Canonical caseless form: normalised, folded, then recomposed, so that any two canonically
// equivalent spellings that differ only in case end up as the same string. The Turkic folding
// of İ works on the composed letter only, so that case starts from NFC instead of NFD.
QString canonicalFold(QStringView text, bool turkic) {
    if (!turkic && isAscii(text)) {
        return text.toString().toLower();
    }
    icu::UnicodeString value = toIcu(text);
    UErrorCode status = U_ZERO_ERROR;
    if (const auto* first = normalizer(turkic)) {
        value = first->normalize(value, status);
    }
    value.foldCase(turkic ? U_FOLD_CASE_EXCLUDE_SPECIAL_I : U_FOLD_CASE_DEFAULT);
    status = U_ZERO_ERROR;
    if (const auto* nfc = normalizer(true)) {
        const icu::UnicodeString composed = nfc->normalize(value, status);
        if (U_SUCCESS(status)) {
            return fromIcu(composed);
        }
    }
    return fromIcu(value);
}

// A starter that nothing before it can combine with: normalising a text never reaches back past
// it.
bool isBarrier(UChar32 c) {
    return c >= 0 && u_getCombiningClass(c) == 0 &&
           u_getIntPropertyValue(c, UCHAR_NFC_QUICK_CHECK) == UNORM_YES;
}

UChar32 firstOf(const icu::UnicodeString& text) {
    return text.isEmpty() ? UChar32(-1) : text.char32At(0);
}

// What the search needs to know of one code point.
struct CodePointFacts {
    static constexpr char32_t noForm = 0x110000;

    // A cluster boundary lies between two code points that both stand alone (but inside CR LF):
    // neither is a mark, joiner, prepended mark, jamo or regional indicator.
    bool alone = false;
    // A cluster boundary lies between this code point and one that stands alone after it: it
    // is none of a prepended mark, a joiner or an extending mark.
    bool endsBeforeAlone = false;
    // The code point, its decomposition and its folded decomposition begin with a barrier, so
    // a cluster that begins with it folds the same inside a text as on its own.
    bool startsFresh = false;
    // The caseless form of the code point as a cluster of its own when that is one code unit;
    // noForm otherwise.
    char32_t clusterForm = noForm;
    // The same when the code point also stands alone and starts fresh: the form it has inside
    // any text.
    char32_t form = noForm;
};

CodePointFacts factsOf(UChar32 c, bool turkic) {
    CodePointFacts facts;
    if (U_IS_SURROGATE(c)) {
        return facts;
    }
    const auto kind = UGraphemeClusterBreak(u_getIntPropertyValue(c, UCHAR_GRAPHEME_CLUSTER_BREAK));
    facts.alone =
        kind == U_GCB_OTHER || kind == U_GCB_CONTROL || kind == U_GCB_CR || kind == U_GCB_LF;
    facts.endsBeforeAlone = kind != U_GCB_PREPEND && kind != U_GCB_ZWJ && kind != U_GCB_EXTEND;
    const icu::UnicodeString alone{c};
    const QString form = canonicalFold(fromIcu(alone), turkic);
    if (form.size() == 1 && !form[0].isSurrogate()) {
        facts.clusterForm = form[0].unicode();
    }
    const icu::Normalizer2* nfd = normalizer(false);
    if (nfd == nullptr || !isBarrier(c)) {
        return facts;
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString decomposed = nfd->normalize(alone, status);
    if (U_FAILURE(status) || !isBarrier(firstOf(decomposed))) {
        return facts;
    }
    icu::UnicodeString folded = turkic ? alone : decomposed;
    folded.foldCase(turkic ? U_FOLD_CASE_EXCLUDE_SPECIAL_I : U_FOLD_CASE_DEFAULT);
    facts.startsFresh = isBarrier(firstOf(folded));
    if (facts.alone && facts.startsFresh) {
        facts.form = facts.clusterForm;
    }
    return facts;
}

// The facts of every BMP code unit, built a block of 256 at a time when first needed; one table
// per thread and folding rule.
class FactsTable {
public:
    static FactsTable& of(bool turkic) {
        thread_local FactsTable plain(false);
        thread_local FactsTable turkish(true);
        return turkic ? turkish : plain;
    }

    const CodePointFacts& unit(char16_t unit) {
        std::unique_ptr<Block>& block = blocks_[unit >> 8];
        if (!block) {
            block = std::make_unique<Block>();
            for (int i = 0; i < 256; ++i) {
                (*block)[std::size_t(i)] = factsOf(UChar32((unit & 0xFF00) + i), turkic_);
            }
        }
        return (*block)[unit & 0xFF];
    }

    CodePointFacts codePoint(char32_t c) {
        if (c < 0x10000) {
            return unit(char16_t(c));
        }
        auto found = beyond_.find(c);
        if (found == beyond_.end()) {
            found = beyond_.insert(c, factsOf(UChar32(c), turkic_));
        }
        return *found;
    }

private:
    using Block = std::array<CodePointFacts, 256>;

    explicit FactsTable(bool turkic) : turkic_(turkic) {}

    bool turkic_;
    std::array<std::unique_ptr<Block>, 256> blocks_;
    QHash<char32_t, CodePointFacts> beyond_; // code points beyond the BMP met so far
};

// A text folded cluster by cluster, with the clusters' boundaries in the folded text.
struct FoldedClusters {
    QString folded;
    // The positions of `folded` inside a cluster's form, ascending; every other position, and
    // the end, is a boundary.
    std::vector<qsizetype> inside;
    // Whether folding the whole text at once gives `folded` too.
    bool sameAsWhole = true;
};

// The caseless form of a cluster of several code points (an emoji sequence, a letter with
// marks), remembered: a history repeats the same few.
QString foldedCluster(QStringView cluster, bool turkic) {
    thread_local QHash<QString, QString> known[2];
    QHash<QString, QString>& forms = known[turkic ? 1 : 0];
    const QString key = cluster.toString();
    if (const auto found = forms.constFind(key); found != forms.constEnd()) {
        return *found;
    }
    if (forms.size() >= 4096) {
        forms.clear();
    }
    return *forms.insert(key, canonicalFold(cluster, turkic));
}

FoldedClusters foldClusters(QStringView text, bool turkic) {
    FactsTable& table = FactsTable::of(turkic);
    detail::ClusterBoundaries icuBoundaries(text);
    FoldedClusters result;
    // Under the Turkic rules a cluster recomposed before folding might not start afresh; those
    // texts are always folded whole as well.
    result.sameAsWhole = !turkic;
    result.folded.reserve(text.size() + 8);
    for (qsizetype at = 0; at < text.size();) {
        const char32_t c = firstCodePoint(text.sliced(at));
        const qsizetype width = c > 0xFFFF ? 2 : 1;
        const CodePointFacts facts = table.codePoint(c);
        qsizetype end = at + width;
        if (c == U'\r' && end < text.size() && text[end] == u'\n') {
            end += 1;
        } else if (end < text.size() &&
                   !(facts.endsBeforeAlone &&
                     table.codePoint(firstCodePoint(text.sliced(end))).alone)) {
            end = icuBoundaries.following(at);
        }
        result.sameAsWhole = result.sameAsWhole && facts.startsFresh;
        if (end == at + 1 && facts.clusterForm != CodePointFacts::noForm) {
            result.folded.append(QChar(char16_t(facts.clusterForm)));
        } else {
            const qsizetype from = result.folded.size();
            result.folded.append(foldedCluster(text.sliced(at, end - at), turkic));
            for (qsizetype i = from + 1; i < result.folded.size(); ++i) {
                result.inside.push_back(i);
            }
        }
        at = end;
    }
    return result;
}

// The text folded through the table, when every character of it folds there (see the top of
// this file); no answer otherwise.
std::optional<QString> simpleFold(QStringView text, bool turkic) {
    FactsTable& table = FactsTable::of(turkic);
    QString folded(text.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(folded.data());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char32_t form = table.unit(text[i].unicode()).form;
        if (form == CodePointFacts::noForm) {
            return std::nullopt;
        }
        out[i] = char16_t(form);
    }
    return folded;
}

// Where a CR LF pair is split: the only place inside a character in a text of single-unit
// characters.
std::vector<qsizetype> crLfSplits(QStringView text) {
    std::vector<qsizetype> splits;
    for (qsizetype at = 1; at < text.size(); ++at) {
        if (detail::splitsCrLf(text, at)) {
            splits.push_back(at);
        }
    }
    return splits;
}

// Whether `query` occurs in `folded` beginning and ending outside every character's form.
bool foundOnBoundaries(const QString& folded, const QString& query,
                       const std::vector<qsizetype>& inside) {
    const auto isBoundary = [&](qsizetype at) {
        return !std::binary_search(inside.begin(), inside.end(), at);
    };
    for (qsizetype at = folded.indexOf(query); at >= 0; at = folded.indexOf(query, at + 1)) {
        if (isBoundary(at) && isBoundary(at + query.size())) {
            return true;
        }
    }
    return false;
}

} // namespace

SearchableText::SearchableText(QStringView text, bool turkic) : turkic_(turkic) {
    // Folding never turns ASCII into anything else, except I under the Turkic rules.
    if (!turkic && isAscii(text)) {
        folded_ = text.toString();
        for (QChar& c : folded_) {
            c = QChar(asciiLower(c.unicode()));
        }
        inside_ = crLfSplits(text);
        return;
    }
    if (std::optional<QString> simple = simpleFold(text, turkic)) {
        folded_ = std::move(*simple);
        inside_ = crLfSplits(text);
        return;
    }
    FoldedClusters clusters = foldClusters(text, turkic);
    folded_ = std::move(clusters.folded);
    inside_ = std::move(clusters.inside);
    if (!clusters.sameAsWhole) {
        whole_ = canonicalFold(text, turkic);
        checkWhole_ = true;
    }
}

bool CaseInsensitiveFinder::foundIn(const SearchableText& text) const {
    if (folded_.isEmpty()) {
        return true;
    }
    if (text.checkWhole_ && !text.whole_.contains(folded_)) {
        return false;
    }
    return foundOnBoundaries(text.folded_, folded_, text.inside_);
}

CaseInsensitiveFinder::CaseInsensitiveFinder(const QString& query, bool turkic)
    : folded_(canonicalFold(query, turkic)), queryIsAscii_(isAscii(folded_)), turkic_(turkic) {}

bool CaseInsensitiveFinder::foundIn(QStringView text) const {
    if (folded_.isEmpty()) {
        return true;
    }
    // Folding never turns ASCII into anything else, except I under the Turkic rules.
    if (!turkic_ && isAscii(text)) {
        return queryIsAscii_ && foundInAscii(text);
    }
    if (const std::optional<bool> found = foundInSimpleText(text)) {
        return *found;
    }
    return foundInUnicode(text);
}

bool CaseInsensitiveFinder::foundInAscii(QStringView text) const {
    const qsizetype length = folded_.size();
    const char16_t first = folded_[0].unicode();
    for (qsizetype at = 0; at + length <= text.size(); ++at) {
        if (asciiLower(text[at].unicode()) != first) {
            continue;
        }
        qsizetype k = 1;
        while (k < length && asciiLower(text[at + k].unicode()) == folded_[k].unicode()) {
            ++k;
        }
        if (k == length && !splitsCrLf(text, at) && !splitsCrLf(text, at + length)) {
            return true;
        }
    }
    return false;
}

std::optional<bool> CaseInsensitiveFinder::foundInSimpleText(QStringView text) const {
    const std::optional<QString> folded = simpleFold(text, turkic_);
    if (!folded) {
        return std::nullopt;
    }
    for (qsizetype at = folded->indexOf(folded_); at >= 0; at = folded->indexOf(folded_, at + 1)) {
        if (!splitsCrLf(text, at) && !splitsCrLf(text, at + folded_.size())) {
            return true;
        }
    }
    return false;
}

bool CaseInsensitiveFinder::foundInUnicode(QStringView text) const {
    const FoldedClusters clusters = foldClusters(text, turkic_);
    // A match must also be one in the text folded as a whole; when the two foldings could
    // differ (a cluster that normalises together with the one before it), that is asked too.
    if (!clusters.sameAsWhole && !canonicalFold(text, turkic_).contains(folded_)) {
        return false;
    }
    return foundOnBoundaries(clusters.folded, folded_, clusters.inside);
}

} // namespace tavik::text
