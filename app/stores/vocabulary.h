#pragma once

#include "app/stores/snapshot_cell.h"
#include "app/stores/vocabulary_lexicon.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

namespace tavik {
namespace platform {
class DefaultsStore;
}

// The user's custom terms (user default "vocabulary"): a prompt that biases recognition
// towards them, and a corrector that replaces near-miss words of recognised text by them.
// The list is assigned on the main thread; promptText() and correct() may run on any thread
// and each works on one whole version of the list.
class Vocabulary : public QObject {
    Q_OBJECT

public:
    static Vocabulary& shared();

    // Terms the dictionary pane offers: twelve names and foreign words, then six from the
    // developer's world.
    static const QStringList& suggestions();

    explicit Vocabulary(
        platform::DefaultsStore& defaults,
        std::shared_ptr<const VocabularyLexicon> lexicon = VocabularyLexicon::system(),
        QObject* parent = nullptr);

    QStringList terms() const { return *terms_.load(); }
    // Writes the whole list through at once (an empty list is stored as []).
    void setTerms(const QStringList& terms);

    // The first 120 terms joined by ", " and closed by "."; none for an empty list.
    std::optional<QString> promptText() const;

    // `text` with every near-miss word replaced by its closest term.
    QString correct(const QString& text) const;

signals:
    void termsChanged(const QStringList& terms);

private:
    platform::DefaultsStore& defaults_;
    std::shared_ptr<const VocabularyLexicon> lexicon_;
    SnapshotCell<QStringList> terms_;
    bool keepUnreadableValue_ = false;
};

} // namespace tavik
