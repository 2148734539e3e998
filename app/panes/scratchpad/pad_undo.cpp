#include "app/panes/scratchpad/pad_undo.h"

namespace tavik::panes {

void PadUndo::record(PadEdit edit, Kind kind) {
    undone_.clear();
    if (!merge(edit, kind)) {
        done_.push_back(Step{std::move(edit), kind});
    }
    sealed_ = kind == Kind::separate;
}

bool PadUndo::merge(const PadEdit& edit, Kind kind) {
    if (sealed_ || done_.empty() || kind == Kind::separate || done_.back().kind != kind) {
        return false;
    }
    PadEdit& top = done_.back().edit;
    if (kind == Kind::typing) {
        if (!edit.removed.isEmpty() || top.position + top.inserted.size() != edit.position) {
            return false;
        }
        top.inserted += edit.inserted;
        return true;
    }
    if (!edit.inserted.isEmpty() || !top.inserted.isEmpty()) {
        return false;
    }
    if (edit.position == top.position) { // Delete, forwards
        top.removed += edit.removed;
        return true;
    }
    if (edit.position + edit.removed.size() == top.position) { // Backspace, backwards
        top.position = edit.position;
        top.removed.prepend(edit.removed);
        return true;
    }
    return false;
}

std::optional<PadEdit> PadUndo::undo() {
    if (done_.empty()) {
        return std::nullopt;
    }
    Step step = std::move(done_.back());
    done_.pop_back();
    PadEdit edit = step.edit;
    undone_.push_back(std::move(step));
    sealed_ = true;
    return edit;
}

std::optional<PadEdit> PadUndo::redo() {
    if (undone_.empty()) {
        return std::nullopt;
    }
    Step step = std::move(undone_.back());
    undone_.pop_back();
    PadEdit edit = step.edit;
    done_.push_back(std::move(step));
    sealed_ = true;
    return edit;
}

void PadUndo::clear() {
    done_.clear();
    undone_.clear();
    sealed_ = false;
}

} // namespace tavik::panes
