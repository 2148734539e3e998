#include "app/stores/text_graphemes.h"

#include <QLocale>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>

#include <memory>

namespace tavik::text {
namespace {

bool isAscii(QStringView text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            return false;
        }
    }
    return true;
}

bool isAsciiWhiteSpace(char16_t c) {
    return c == u' ' || (c >= 0x09 && c <= 0x0D);
}

char16_t asciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 0x20) : c;
}

icu::UnicodeString toIcu(QStringView text) {
    return icu::UnicodeString(text.utf16(), int32_t(text.size()));
}

QString fromIcu(const icu::UnicodeString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

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

const icu::Normalizer2* normalizer(bool compose) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* instance = compose ? icu::Normalizer2::getNFCInstance(status)
                                               : icu::Normalizer2::getNFDInstance(status);
    return U_SUCCESS(status) ? instance : nullptr;
}

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

} // namespace

std::vector<qsizetype> graphemeBoundaries(QStringView text) {
    if (isAscii(text)) {
        return asciiBoundaries(text);
    }
    icu::BreakIterator* iterator = characterIterator();
    if (iterator == nullptr) {
        return codePointBoundaries(text);
    }
    UErrorCode status = U_ZERO_ERROR;
    UText* utext = utext_openUChars(nullptr, text.utf16(), int64_t(text.size()), &status);
    iterator->setText(utext, status);
    if (U_FAILURE(status)) {
        utext_close(utext);
        return codePointBoundaries(text);
    }
    std::vector<qsizetype> boundaries;
    for (int32_t at = iterator->first(); at != icu::BreakIterator::DONE; at = iterator->next()) {
        boundaries.push_back(at);
    }
    // Leave the iterator on an empty text so it holds no pointer into the caller's string.
    static const char16_t empty[] = u"";
    status = U_ZERO_ERROR;
    utext = utext_openUChars(utext, empty, 0, &status);
    iterator->setText(utext, status);
    utext_close(utext);
    return boundaries;
}

qsizetype graphemeCount(QStringView text) {
    return qsizetype(graphemeBoundaries(text).size()) - 1;
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
        if (k < length) {
            continue;
        }
        const auto splitsCrLf = [&](qsizetype i) {
            return i > 0 && i < text.size() && text[i - 1] == u'\r' && text[i] == u'\n';
        };
        if (!splitsCrLf(at) && !splitsCrLf(at + length)) {
            return true;
        }
    }
    return false;
}

bool CaseInsensitiveFinder::foundInUnicode(QStringView text) const {
    // Folding the whole text at once is cheap; only a text that holds the query at all is
    // walked character by character to see where the match begins and ends.
    if (!canonicalFold(text, turkic_).contains(folded_)) {
        return false;
    }
    const std::vector<qsizetype> bounds = graphemeBoundaries(text);
    QString folded;
    folded.reserve(text.size() + 8);
    std::vector<bool> boundary(1, true);
    boundary.reserve(size_t(text.size()) + 8);
    for (size_t i = 0; i + 1 < bounds.size(); ++i) {
        const QStringView cluster = text.sliced(bounds[i], bounds[i + 1] - bounds[i]);
        if (cluster.size() == 1 && cluster[0].unicode() < 0x80 && !turkic_) {
            folded.append(QChar(asciiLower(cluster[0].unicode())));
        } else {
            folded.append(canonicalFold(cluster, turkic_));
        }
        boundary.resize(size_t(folded.size()) + 1, false);
        boundary[size_t(folded.size())] = true;
    }
    for (qsizetype at = folded.indexOf(folded_); at >= 0; at = folded.indexOf(folded_, at + 1)) {
        if (boundary[size_t(at)] && boundary[size_t(at + folded_.size())]) {
            return true;
        }
    }
    return false;
}

} // namespace tavik::text
