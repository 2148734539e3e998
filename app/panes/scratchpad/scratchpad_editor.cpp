#include "app/panes/scratchpad/scratchpad_editor.h"

#include "app/shell/design/theme.h"
#include "app/stores/scratchpad.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace tavik::panes {

ScratchpadEditor::ScratchpadEditor(Scratchpad& pad, QWidget* parent)
    : QPlainTextEdit(parent), pad_(pad) {
    setFrameShape(QFrame::NoFrame);
    setFont(design::Theme::body());
    setAccessibleName(QStringLiteral("Scratchpad"));
    document()->setDocumentMargin(0);
    // The card behind the editor is its background.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::transparent);
    setPalette(colours);
    viewport()->setAutoFillBackground(false);
    setBackgroundVisible(false);

    shown_ = pad_.text();
    applying_ = true;
    setPlainText(shown_);
    applying_ = false;
    connect(this, &QPlainTextEdit::textChanged, this, &ScratchpadEditor::sendEdit);
    connect(&pad_, &Scratchpad::textChanged, this, &ScratchpadEditor::takeStoreText);
}

QString ScratchpadEditor::editorText() const {
    QString raw = document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return raw;
}

void ScratchpadEditor::sendEdit() {
    if (applying_) {
        return;
    }
    shown_ = editorText();
    pad_.setText(shown_);
}

void ScratchpadEditor::takeStoreText(const QString& text) {
    if (text == shown_) {
        return;
    }
    applying_ = true;
    if (text.startsWith(shown_)) {
        appendKeepingView(text.sliced(shown_.size()));
    } else {
        setPlainText(text);
    }
    applying_ = false;
    shown_ = text;
}

void ScratchpadEditor::appendKeepingView(const QString& suffix) {
    const QTextCursor before = textCursor();
    const int anchor = before.anchor();
    const int position = before.position();
    const int scrolled = verticalScrollBar()->value();

    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(suffix);

    // A caret at the very end would be carried along by the insertion.
    const QTextCursor after = textCursor();
    if (after.anchor() != anchor || after.position() != position) {
        QTextCursor kept(document());
        kept.setPosition(anchor);
        kept.setPosition(position, QTextCursor::KeepAnchor);
        setTextCursor(kept);
    }
    verticalScrollBar()->setValue(scrolled);
}

} // namespace tavik::panes
