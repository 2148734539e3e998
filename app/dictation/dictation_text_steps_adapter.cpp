// The controller's view of the user's vocabulary and snippets.
#include "app/dictation/dictation_wiring.h"
#include "app/stores/snippets.h"
#include "app/stores/vocabulary.h"

namespace tavik::dictation {
namespace {

class StoredTextSteps final : public TextSteps {
public:
    QString correct(const QString& text) override { return Vocabulary::shared().correct(text); }
    QString applySnippets(const QString& text) override { return Snippets::shared().apply(text); }
    QString vocabularyPrompt() override {
        return Vocabulary::shared().promptText().value_or(QString());
    }
    int vocabularyTermCount() override {
        return static_cast<int>(Vocabulary::shared().terms().size());
    }
};

} // namespace

std::unique_ptr<TextSteps> makeTextSteps() {
    return std::make_unique<StoredTextSteps>();
}

} // namespace tavik::dictation
