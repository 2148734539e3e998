#pragma once

#include <QPlainTextEdit>
#include <QString>

namespace tavik {
class Scratchpad;
}

namespace tavik::panes {

// The scratchpad's text editor, bound both ways to the store. What the person types goes to the
// store at once, character for character; what the store gains from a dictation is added at the
// end of the editor without moving the person's caret, selection or view; anything else the
// store is given (Clear) replaces the editor's text.
class ScratchpadEditor final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ScratchpadEditor(Scratchpad& pad, QWidget* parent = nullptr);

    // The editor's text as typed. toPlainText() would turn no-break spaces into plain spaces and
    // line separators into line feeds, and the next keystroke would write that into the file.
    QString editorText() const;

private:
    void sendEdit();
    void takeStoreText(const QString& text);
    void appendKeepingView(const QString& suffix);

    Scratchpad& pad_;
    // The store's text as the editor last agreed with it. A text read from the file with carriage
    // returns shows them as line breaks; it is only written back once the person edits it.
    QString shown_;
    bool applying_ = false;
};

} // namespace tavik::panes
