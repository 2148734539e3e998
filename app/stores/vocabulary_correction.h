#pragma once

#include "app/stores/vocabulary_lexicon.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// Near-miss correction of recognised text against the user's terms. Texts are handled as
// user-perceived characters; characters compare by canonical equivalence.
namespace tavik::vocabulary {

// Consonant outline used to compare how words sound: lower-case, letters only, "ph"→"f",
// "ck"→"k", "q"→"k", "x"→"ks", "z"→"s", runs collapsed, then the first character followed by
// every character that is not a, e, i, o or u. "Kubernetes" gives "kkbrnts".
QString skeleton(const QString& text);

// Characters as numbers: a one-code-point character (after NFC) is its code point, longer
// characters get numbers above the code point range, the same number for the same text.
class CharacterCodes {
public:
    std::vector<std::uint32_t> encode(const QString& text);

private:
    QHash<QString, std::uint32_t> longCharacters_;
};

// Levenshtein distance, keeping two rows.
int editDistance(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b);

// 1 − distance / longer length; 0 when both are empty.
double similarity(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b);

// One correction run over one version of the term list.
class Corrector {
public:
    Corrector(const QStringList& terms, const VocabularyLexicon& lexicon);

    // The text with each near-miss word replaced by its closest term.
    QString correct(const QString& text);

    // The term that replaces `word` (a run of letters and numbers), if any.
    std::optional<QString> replacement(const QString& word);

private:
    struct Term {
        QString stored;
        QString lower;
        std::vector<std::uint32_t> skeletonCodes;
        std::vector<std::uint32_t> lowerCodes;
    };

    const VocabularyLexicon& lexicon_;
    CharacterCodes codes_;
    std::vector<Term> terms_;
    QSet<QString> lowerTerms_;
};

} // namespace tavik::vocabulary
