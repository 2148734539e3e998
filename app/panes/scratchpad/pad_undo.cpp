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
    return move(done_, undone_);
}

std::optional<PadEdit> PadUndo::redo() {
    return move(undone_, done_);
}

std::optional<PadEdit> PadUndo::move(std::vector<Step>& from, std::vector<Step>& to) {
    if (from.empty()) {
        return std::nullopt;
    }
    to.push_back(std::move(from.back()));
    from.pop_back();
    sealed_ = true;
    return to.back().edit;
}

void PadUndo::clear() {
    done_.clear();
    undone_.clear();
    sealed_ = false;
}

} // namespace tavik::panes
