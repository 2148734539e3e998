#include "app/panes/dictionary/vocabulary_draft.h"

namespace tavik::panes {

void VocabularyDraft::setNewTerm(const QString& text) {
    if (text == newTerm_) {
        return;
    }
    newTerm_ = text;
    emit newTermChanged(newTerm_);
}

} // namespace tavik::panes
