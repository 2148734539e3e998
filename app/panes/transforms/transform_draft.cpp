#include "app/panes/transforms/transform_draft.h"

namespace tavik::panes {

void TransformDraft::setName(const QString& text) {
    if (text != name_) {
        name_ = text;
        emit nameChanged(name_);
    }
}

void TransformDraft::setInstruction(const QString& text) {
    if (text != instruction_) {
        instruction_ = text;
        emit instructionChanged(instruction_);
    }
}

} // namespace tavik::panes
