#pragma once

#include <QString>
#include <QWidget>

class QLabel;

namespace tavik {
class Preferences;
class Scratchpad;
namespace design {
class QuietButton;
class TavikToggle;
} // namespace design
} // namespace tavik

namespace tavik::panes {

class ScratchpadEditor;

//   Scratchpad                                      (● ) Send dictation here
//   Somewhere to talk into before you know where the text belongs.
//   ⊕ Dictation is going to the scratchpad, not to other apps.   (only while the switch is on)
//   ╭─────────────────────────────────────────────────────────────────╮
//   │ 10  the editor, taking all the height that is left              │
//   ╰─────────────────────────────────────────────────────────────────╯
//   12 words                                           (Copy all) (Clear)
//
// No scroll view around it: the editor scrolls itself. The text is the store's; every keystroke
// is saved by the store's background writer, which is drained when Tavik quits.
class ScratchpadPane final : public QWidget {
    Q_OBJECT
public:
    explicit ScratchpadPane(QWidget* parent = nullptr);
    ~ScratchpadPane() override;

    ScratchpadEditor* editor() const { return editor_; }

private:
    void countEdit(qsizetype position, const QString& removed, qsizetype inserted);
    void showCount();
    void showRouting(bool toScratchpad);
    void copyAll();

    Scratchpad& pad_;
    Preferences& prefs_;
    // The count of the store's text as it is now: a change recounts only the words around it,
    // not the whole of a long pad.
    int words_ = 0;
    design::TavikToggle* toggle_ = nullptr;
    QWidget* notice_ = nullptr;
    ScratchpadEditor* editor_ = nullptr;
    QLabel* count_ = nullptr;
};

} // namespace tavik::panes
