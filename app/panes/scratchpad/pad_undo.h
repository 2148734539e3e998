#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace tavik::panes {

// One change of the pad's text: `removed` taken out at `position` and `inserted` put there.
struct PadEdit {
    qsizetype position = 0;
    QString removed;
    QString inserted;
};

// The scratchpad editor's undo and redo history, with the grouping people know from Qt's text
// editors: a run of typing (and the dictation that lands right after it) is one step, a run of
// Backspace or Delete is one step, and a line break, a paste, a cut or a Clear is a step of its
// own.
class PadUndo {
public:
    enum class Kind {
        typing,   // joins typing that ends where it starts
        deleting, // joins deleting beside it
        separate, // a step of its own
    };

    void record(PadEdit edit, Kind kind);
    // The step to take back, moved to the redo side; none when there is nothing to undo.
    std::optional<PadEdit> undo();
    // The step to make again, moved back to the undo side.
    std::optional<PadEdit> redo();
    void clear();

    bool canUndo() const { return !done_.empty(); }
    bool canRedo() const { return !undone_.empty(); }

private:
    struct Step {
        PadEdit edit;
        Kind kind;
    };
    bool merge(const PadEdit& edit, Kind kind);
    std::optional<PadEdit> move(std::vector<Step>& from, std::vector<Step>& to);

    std::vector<Step> done_;
    std::vector<Step> undone_;
    // After an undo or redo, the next change starts a step of its own.
    bool sealed_ = false;
};

} // namespace tavik::panes
