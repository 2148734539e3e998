#include "app/panes/snippets/snippet_draft.h"

namespace tavik::panes {

void SnippetDraft::setTrigger(const QString& text) {
    if (text != trigger_) {
        trigger_ = text;
        emit triggerChanged(trigger_);
    }
}

void SnippetDraft::setExpansion(const QString& text) {
    if (text != expansion_) {
        expansion_ = text;
        emit expansionChanged(expansion_);
    }
}

} // namespace tavik::panes
