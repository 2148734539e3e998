#pragma once

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>

namespace tavik::test {

// Pastes `text` into `field` as a person does: onto the clipboard, then Ctrl+V, which replaces
// the selection or inserts at the cursor. Tabs and line breaks reach a one-line field only so.
inline void pasteInto(QLineEdit* field, const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
}

// Replaces everything in `field` by a paste of `text`.
inline void pasteOver(QLineEdit* field, const QString& text) {
    field->selectAll();
    pasteInto(field, text);
}

} // namespace tavik::test
