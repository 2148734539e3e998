#include "app/stores/vocabulary_correction.h"

#include "app/stores/text_graphemes.h"

#include <algorithm>

namespace tavik::vocabulary {
namespace {

constexpr double acceptedScore = 0.8;
constexpr qsizetype longestUnjudgedWord = 4;

QString lowerNfc(QStringView text) {
    return text::normalizedNfc(text::toLowerFull(text));
}

bool isVowel(QStringView character) {
    return character.size() == 1 && QStringView(u"aeiou").contains(character[0]);
}

QStringList characters(const QString& text) {
    const std::vector<qsizetype> bounds = text::graphemeBoundaries(text);
    QStringList out;
    out.reserve(qsizetype(bounds.size()));
    for (size_t i = 0; i + 1 < bounds.size(); ++i) {
        out.append(text.sliced(bounds[i], bounds[i + 1] - bounds[i]));
    }
    return out;
}

} // namespace

QString skeleton(const QString& text) {
    QString letters;
    for (const QString& character : characters(text::toLowerFull(text))) {
        if (text::isLetter(character)) {
            letters.append(character);
        }
    }
    letters.replace("ph", "f").replace("ck", "k").replace("q", "k").replace("x", "ks").replace("z",
                                                                                               "s");
    QStringList collapsed;
    QString previous;
    for (const QString& character : characters(letters)) {
        const QString canonical = text::normalizedNfc(character);
        if (collapsed.isEmpty() || canonical != previous) {
            collapsed.append(character);
        }
        previous = canonical;
    }
    if (collapsed.isEmpty()) {
        return QString();
    }
    QString outline = collapsed.first();
    for (const QString& character : collapsed) {
        if (!isVowel(character)) {
            outline.append(character);
        }
    }
    return outline;
}

std::vector<std::uint32_t> CharacterCodes::encode(const QString& text) {
    const std::vector<qsizetype> bounds = text::graphemeBoundaries(text);
    std::vector<std::uint32_t> codes;
    codes.reserve(bounds.size());
    for (size_t i = 0; i + 1 < bounds.size(); ++i) {
        const QStringView slice = QStringView(text).sliced(bounds[i], bounds[i + 1] - bounds[i]);
        if (slice.size() == 1 && !slice[0].isSurrogate() && slice[0].unicode() < 0x300) {
            codes.push_back(slice[0].unicode()); // nothing composes into these alone
            continue;
        }
        const QString canonical = text::normalizedNfc(slice);
        const char32_t first = text::firstCodePoint(canonical);
        if (canonical.size() == (first > 0xFFFF ? 2 : 1)) {
            codes.push_back(first);
            continue;
        }
        auto found = longCharacters_.constFind(canonical);
        if (found == longCharacters_.constEnd()) {
            found = longCharacters_.insert(canonical,
                                           0x110000u + std::uint32_t(longCharacters_.size()));
        }
        codes.push_back(found.value());
    }
    return codes;
}

int editDistance(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    if (a.empty() || b.empty()) {
        return int(std::max(a.size(), b.size()));
    }
    std::vector<int> previous(b.size() + 1);
    std::vector<int> current(b.size() + 1);
    for (size_t k = 0; k <= b.size(); ++k) {
        previous[k] = int(k);
    }
    for (size_t i = 0; i < a.size(); ++i) {
        current[0] = int(i + 1);
        for (size_t k = 0; k < b.size(); ++k) {
            const int cost = a[i] == b[k] ? 0 : 1;
            current[k + 1] = std::min({current[k] + 1, previous[k + 1] + 1, previous[k] + cost});
        }
        std::swap(previous, current);
    }
    return previous[b.size()];
}

double similarity(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    const size_t longer = std::max(a.size(), b.size());
    if (longer == 0) {
        return 0.0;
    }
    return 1.0 - double(editDistance(a, b)) / double(longer);
}

Corrector::Corrector(const QStringList& terms, const VocabularyLexicon& lexicon)
    : lexicon_(lexicon) {
    terms_.reserve(size_t(terms.size()));
    for (const QString& term : terms) {
        Term prepared{term, lowerNfc(term), {}, {}};
        prepared.skeletonCodes = codes_.encode(skeleton(term));
        prepared.lowerCodes = codes_.encode(prepared.lower);
        lowerTerms_.insert(prepared.lower);
        terms_.push_back(std::move(prepared));
    }
}

std::optional<QString> Corrector::replacement(const QString& word) {
    if (text::graphemeCount(word) <= longestUnjudgedWord) {
        return std::nullopt;
    }
    const QString lower = lowerNfc(word);
    if (lowerTerms_.contains(lower) || lexicon_.contains(lower)) {
        return std::nullopt;
    }
    const std::vector<std::uint32_t> wordSkeleton = codes_.encode(skeleton(word));
    const std::vector<std::uint32_t> wordLower = codes_.encode(lower);
    const Term* best = nullptr;
    double bestScore = 0.0;
    for (const Term& term : terms_) {
        const double score = std::max(similarity(wordSkeleton, term.skeletonCodes),
                                      similarity(wordLower, term.lowerCodes));
        if (score > bestScore) {
            bestScore = score;
            best = &term;
        }
    }
    if (best == nullptr || bestScore < acceptedScore) {
        return std::nullopt;
    }
    const QStringList wordCharacters = characters(word);
    const QStringList termCharacters = characters(best->stored);
    if (!termCharacters.isEmpty() && text::isUpperCase(wordCharacters.first()) &&
        text::isLowerCase(termCharacters.first())) {
        return text::toUpperFull(termCharacters.first()) +
               best->stored.sliced(termCharacters.first().size());
    }
    return best->stored;
}

QString Corrector::correct(const QString& text) {
    const std::vector<qsizetype> bounds = text::graphemeBoundaries(text);
    QString output;
    output.reserve(text.size() + 16);
    qsizetype wordStart = -1;
    auto endWord = [&](qsizetype at) {
        if (wordStart < 0) {
            return;
        }
        const QString word = text.sliced(wordStart, at - wordStart);
        output.append(replacement(word).value_or(word));
        wordStart = -1;
    };
    for (size_t i = 0; i + 1 < bounds.size(); ++i) {
        const QStringView character =
            QStringView(text).sliced(bounds[i], bounds[i + 1] - bounds[i]);
        if (text::isLetter(character) || text::isNumber(character)) {
            if (wordStart < 0) {
                wordStart = bounds[i];
            }
            continue;
        }
        endWord(bounds[i]);
        output.append(character);
    }
    endWord(text.size());
    return output;
}

} // namespace tavik::vocabulary
