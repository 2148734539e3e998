#include "app/stores/vocabulary.h"

#include "app/stores/diagnostic_log.h"
#include "app/stores/vocabulary_correction.h"
#include "platform/defaults_store.h"
#include "platform/main_thread.h"

namespace tavik {
namespace {

const QString key = QStringLiteral("vocabulary");
const QString backupKey = QStringLiteral("vocabulary.unreadable");
constexpr qsizetype promptTermLimit = 120;

} // namespace

Vocabulary& Vocabulary::shared() {
    static Vocabulary* const instance = [] {
        auto* made = new Vocabulary(platform::DefaultsStore::shared());
        // The recognition worker may be the first to ask; the store still belongs to main.
        if (QCoreApplication::instance() != nullptr && !platform::isMainThread()) {
            made->moveToThread(QCoreApplication::instance()->thread());
        }
        return made;
    }();
    return *instance;
}

const QStringList& Vocabulary::suggestions() {
    static const QStringList list = {
        "Ingrid Solberg", "Veltrano",      "Quillmark",  "Corvana Systems", "Lumenfold",
        "Reykjavík",      "Wrocław",       "złoty",      "Gemütlichkeit",   "hygge",
        "saudade",        "Schadenfreude", "Kubernetes", "Postgres",        "idempotency",
        "webhook",        "OAuth",         "Azure",
    };
    return list;
}

Vocabulary::Vocabulary(platform::DefaultsStore& defaults,
                       std::shared_ptr<const VocabularyLexicon> lexicon, QObject* parent)
    : QObject(parent), defaults_(defaults), lexicon_(std::move(lexicon)) {
    if (std::optional<QStringList> stored = defaults_.stringArray(key)) {
        terms_.store(std::move(*stored));
    } else {
        // A value of the wrong kind (hand-edited, or from another program) reads as no terms,
        // but is kept under a backup key before the first change replaces it.
        keepUnreadableValue_ = defaults_.contains(key);
    }
}

void Vocabulary::setTerms(const QStringList& terms) {
    if (keepUnreadableValue_) {
        if (const auto kept = defaults_.copyValueToFreeKey(key, backupKey)) {
            slog("stored vocabulary could not be read — kept as " + *kept);
        }
        keepUnreadableValue_ = false;
    }
    terms_.store(terms);
    defaults_.setStringArray(key, terms);
    emit termsChanged(terms);
}

std::optional<QString> Vocabulary::promptText() const {
    const std::shared_ptr<const QStringList> terms = terms_.load();
    if (terms->isEmpty()) {
        return std::nullopt;
    }
    return terms->first(std::min(terms->size(), promptTermLimit)).join(", ") + ".";
}

QString Vocabulary::correct(const QString& text) const {
    const std::shared_ptr<const QStringList> terms = terms_.load();
    if (terms->isEmpty() || text.isEmpty()) {
        return text;
    }
    vocabulary::Corrector corrector(*terms, *lexicon_);
    return corrector.correct(text);
}

} // namespace tavik
