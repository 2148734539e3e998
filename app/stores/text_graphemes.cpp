#include "app/stores/text_graphemes.h"

#include "app/stores/text_unicode.h"

#include <QLocale>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace tavik::text {

using detail::asciiLower;
using detail::fromIcu;
using detail::isAscii;
using detail::isAsciiWhiteSpace;
using detail::normalizer;
using detail::toIcu;

namespace {

// Break iterators are costly to make and not shareable between threads: one per thread.
icu::BreakIterator* characterIterator() {
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(made) : nullptr;
    }();
    return iterator.get();
}

std::vector<qsizetype> asciiBoundaries(QStringView text) {
    std::vector<qsizetype> boundaries;
    boundaries.reserve(size_t(text.size()) + 1);
    boundaries.push_back(0);
    for (qsizetype i = 1; i <= text.size(); ++i) {
        // CR LF is the one pair of ASCII characters that forms a single cluster.
        if (i < text.size() && text[i - 1] == u'\r' && text[i] == u'\n') {
            continue;
        }
        boundaries.push_back(i);
    }
    return boundaries;
}

std::vector<qsizetype> codePointBoundaries(QStringView text) {
    std::vector<qsizetype> boundaries{0};
    for (qsizetype i = 0; i < text.size();) {
        i += (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2
                                                                                                : 1;
        boundaries.push_back(i);
    }
    return boundaries;
}

// What word counting asks of a code point: White_Space, and how it joins a cluster.
enum CodePointFact : std::uint8_t {
    whiteSpace = 1,
    control = 2,       // a cluster of its own (control, CR, LF)
    prepended = 4,     // joins the cluster of what follows it
    joinsPrevious = 8, // a mark or joiner: belongs to the cluster before it
};

std::uint8_t factsOf(char32_t c) {
    std::uint8_t facts = u_isUWhiteSpace(UChar32(c)) ? whiteSpace : 0;
    switch (u_getIntPropertyValue(UChar32(c), UCHAR_GRAPHEME_CLUSTER_BREAK)) {
    case U_GCB_CONTROL:
    case U_GCB_CR:
    case U_GCB_LF:
        facts |= control;
        break;
    case U_GCB_PREPEND:
        facts |= prepended;
        break;
    case U_GCB_EXTEND:
    case U_GCB_ZWJ:
    case U_GCB_SPACING_MARK:
        facts |= joinsPrevious;
        break;
    default:
        break;
    }
    return facts;
}

// The facts of every BMP code unit, taken from ICU once.
const std::array<std::uint8_t, 0x10000>& bmpFacts() {
    static const std::array<std::uint8_t, 0x10000> table = [] {
        std::array<std::uint8_t, 0x10000> made{};
        for (char32_t unit = 0; unit < 0x10000; ++unit) {
            made[unit] = factsOf(unit);
        }
        return made;
    }();
    return table;
}

// Words counted code point by code point. That gives the grapheme rules' answer unless a white
// space character that is not a control shares a cluster with a neighbour (a mark or joiner after
// it belongs to its cluster; it belongs to the cluster of a prepended mark before it); then
// there is no answer here.
std::optional<int> countWordsByCodePoint(QStringView text) {
    const std::array<std::uint8_t, 0x10000>& bmp = bmpFacts();
    const char16_t* units = text.utf16();
    const qsizetype size = text.size();
    const auto factsAt = [&](qsizetype i, qsizetype* width) -> std::uint8_t {
        const char16_t unit = units[i];
        if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(units[i + 1])) {
            *width = 2;
            return factsOf(QChar::surrogateToUcs4(unit, units[i + 1]));
        }
        *width = 1;
        return bmp[unit];
    };
    int words = 0;
    bool inWord = false;
    std::uint8_t previous = 0;
    for (qsizetype i = 0; i < size;) {
        qsizetype width = 1;
        const std::uint8_t facts = factsAt(i, &width);
        const bool blank = (facts & whiteSpace) != 0;
        if (blank && (facts & control) == 0) {
            qsizetype nextWidth = 1;
            if ((previous & prepended) != 0 ||
                (i + width < size && (factsAt(i + width, &nextWidth) & joinsPrevious) != 0)) {
                return std::nullopt;
            }
        }
        words += (!blank && !inWord) ? 1 : 0;
        inWord = !blank;
        previous = facts;
        i += width;
    }
    return words;
}

} // namespace

namespace detail {

ClusterBoundaries::ClusterBoundaries(QStringView text) : text_(text) {}

ClusterBoundaries::~ClusterBoundaries() {
    if (utext_ == nullptr) {
        return;
    }
    // Leave the iterator on an empty text so it holds no pointer into the caller's string.
    static const char16_t empty[] = u"";
    UErrorCode status = U_ZERO_ERROR;
    utext_ = utext_openUChars(utext_, empty, 0, &status);
    characterIterator()->setText(utext_, status);
    utext_close(utext_);
}

bool ClusterBoundaries::ready() {
    if (utext_ != nullptr) {
        return true;
    }
    icu::BreakIterator* iterator = characterIterator();
    if (iterator == nullptr || failed_) {
        return false;
    }
    UErrorCode status = U_ZERO_ERROR;
    utext_ = utext_openUChars(nullptr, text_.utf16(), int64_t(text_.size()), &status);
    iterator->setText(utext_, status);
    if (U_FAILURE(status)) {
        utext_close(utext_);
        utext_ = nullptr;
        failed_ = true;
        return false;
    }
    return true;
}

std::vector<qsizetype> ClusterBoundaries::all() {
    if (!ready()) {
        return codePointBoundaries(text_);
    }
    icu::BreakIterator* iterator = characterIterator();
    std::vector<qsizetype> boundaries;
    for (int32_t at = iterator->first(); at != icu::BreakIterator::DONE; at = iterator->next()) {
        boundaries.push_back(at);
    }
    return boundaries;
}

qsizetype ClusterBoundaries::following(qsizetype at) {
    if (!ready()) {
        const bool pair =
            text_[at].isHighSurrogate() && at + 1 < text_.size() && text_[at + 1].isLowSurrogate();
        return at + (pair ? 2 : 1);
    }
    const int32_t next = characterIterator()->following(int32_t(at));
    return next == icu::BreakIterator::DONE ? text_.size() : qsizetype(next);
}

} // namespace detail

std::vector<qsizetype> graphemeBoundaries(QStringView text) {
    if (isAscii(text)) {
        return asciiBoundaries(text);
    }
    return detail::ClusterBoundaries(text).all();
}

qsizetype graphemeCount(QStringView text) {
    return qsizetype(graphemeBoundaries(text).size()) - 1;
}

qsizetype graphemePrefixEnd(QStringView text, qsizetype count) {
    detail::ClusterBoundaries boundaries(text);
    qsizetype at = 0;
    for (qsizetype i = 0; i < count && at < text.size(); ++i) {
        at = (text[at].unicode() < 0x80 && text[at] != u'\r' && at + 1 < text.size() &&
              text[at + 1].unicode() < 0x80)
                 ? at + 1 // an ASCII character before another is a cluster of its own
                 : boundaries.following(at);
    }
    return at < text.size() ? at : -1;
}

int countWords(QStringView text) {
    int words = 0;
    bool inWord = false;
    if (isAscii(text)) {
        for (const QChar c : text) {
            const bool blank = isAsciiWhiteSpace(c.unicode());
            words += (!blank && !inWord) ? 1 : 0;
            inWord = !blank;
        }
        return words;
    }
    if (const std::optional<int> counted = countWordsByCodePoint(text)) {
        return *counted;
    }
    const std::vector<qsizetype> bounds = graphemeBoundaries(text);
    for (size_t i = 0; i + 1 < bounds.size(); ++i) {
        const bool blank = isWhiteSpace(text.sliced(bounds[i], bounds[i + 1] - bounds[i]));
        words += (!blank && !inWord) ? 1 : 0;
        inWord = !blank;
    }
    return words;
}

char32_t firstCodePoint(QStringView cluster) {
    if (cluster.isEmpty()) {
        return 0;
    }
    if (cluster[0].isHighSurrogate() && cluster.size() > 1 && cluster[1].isLowSurrogate()) {
        return QChar::surrogateToUcs4(cluster[0], cluster[1]);
    }
    return cluster[0].unicode();
}

bool isWhiteSpace(QStringView cluster) {
    return !cluster.isEmpty() && u_isUWhiteSpace(UChar32(firstCodePoint(cluster)));
}

bool isLetter(QStringView cluster) {
    return !cluster.isEmpty() &&
           u_hasBinaryProperty(UChar32(firstCodePoint(cluster)), UCHAR_ALPHABETIC);
}

bool isNumber(QStringView cluster) {
    return !cluster.isEmpty() &&
           u_getIntPropertyValue(UChar32(firstCodePoint(cluster)), UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

bool isUpperCase(QStringView cluster) {
    return !cluster.isEmpty() &&
           u_hasBinaryProperty(UChar32(firstCodePoint(cluster)), UCHAR_UPPERCASE);
}

bool isLowerCase(QStringView cluster) {
    return !cluster.isEmpty() &&
           u_hasBinaryProperty(UChar32(firstCodePoint(cluster)), UCHAR_LOWERCASE);
}

QString toLowerFull(QStringView text) {
    if (isAscii(text)) {
        return text.toString().toLower();
    }
    icu::UnicodeString value = toIcu(text);
    value.toLower(icu::Locale::getRoot());
    return fromIcu(value);
}

QString toUpperFull(QStringView text) {
    if (isAscii(text)) {
        return text.toString().toUpper();
    }
    icu::UnicodeString value = toIcu(text);
    value.toUpper(icu::Locale::getRoot());
    return fromIcu(value);
}

QString foldCase(QStringView text, bool turkic) {
    if (!turkic && isAscii(text)) {
        return text.toString().toLower();
    }
    icu::UnicodeString value = toIcu(text);
    value.foldCase(turkic ? U_FOLD_CASE_EXCLUDE_SPECIAL_I : U_FOLD_CASE_DEFAULT);
    return fromIcu(value);
}

QString normalizedNfc(QStringView text) {
    const icu::Normalizer2* nfc = normalizer(true);
    if (isAscii(text) || nfc == nullptr) {
        return text.toString();
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString source = toIcu(text);
    if (nfc->isNormalized(source, status) && U_SUCCESS(status)) {
        return text.toString();
    }
    status = U_ZERO_ERROR;
    const icu::UnicodeString composed = nfc->normalize(source, status);
    return U_SUCCESS(status) ? fromIcu(composed) : text.toString();
}

QString trimSpacesAndTabs(QStringView text) {
    auto trimmable = [](char32_t c) {
        return c == U'\t' || u_charType(UChar32(c)) == U_SPACE_SEPARATOR;
    };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end) {
        const char32_t c = firstCodePoint(text.sliced(begin, end - begin));
        if (!trimmable(c)) {
            break;
        }
        begin += c > 0xFFFF ? 2 : 1;
    }
    while (end > begin) {
        qsizetype width = 1;
        char32_t c = text[end - 1].unicode();
        if (text[end - 1].isLowSurrogate() && end - 2 >= begin && text[end - 2].isHighSurrogate()) {
            c = QChar::surrogateToUcs4(text[end - 2], text[end - 1]);
            width = 2;
        }
        if (!trimmable(c)) {
            break;
        }
        end -= width;
    }
    return text.sliced(begin, end - begin).toString();
}

bool currentLocaleIsTurkic() {
    const QLocale::Language language = QLocale().language();
    return language == QLocale::Turkish || language == QLocale::Azerbaijani;
}

} // namespace tavik::text
