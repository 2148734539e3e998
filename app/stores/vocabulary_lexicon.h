#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <mutex>

namespace tavik {

// The ordinary words of the system word list, lower-cased: a word found here is never
// "corrected" into a custom term. Read once, on the first lookup, from the first of its files
// that reads as valid UTF-8; no readable file gives an empty lexicon. Thread-safe.
class VocabularyLexicon {
public:
    explicit VocabularyLexicon(QStringList candidateFiles);

    // "/usr/share/dict/words", else "/usr/dict/words"; shared by the whole process.
    static std::shared_ptr<const VocabularyLexicon> system();

    // `lowerWord` already lower-cased (full mapping) and in NFC.
    bool contains(const QString& lowerWord) const;

    bool isLoaded() const { return loaded_.load(); }
    qsizetype size() const; // loads

private:
    void loadOnce() const;

    QStringList candidateFiles_;
    mutable std::once_flag once_;
    mutable QSet<QString> words_;
    mutable std::atomic<bool> loaded_{false};
};

} // namespace tavik
