// The dictionary, snippets, transforms and scratchpad panes, each empty and with sample data
// seeded into the scene's own fresh stores.
#include "app/panes/scratchpad/scratchpad_pane.h"
#include "app/stores/preferences.h"
#include "app/stores/scratchpad.h"
#include "tools/screens/scene.h"

#include <QPlainTextEdit>
#include <QTextCursor>

namespace tavik::screens {
namespace {

// The pane area of the main window at its usual size (the window less its sidebar).
const QSize paneSize(810, 660);

QWidget* scratchpad(bool seeded) {
    if (seeded) {
        QString text;
        for (int i = 1; i <= 40; ++i) {
            text += QStringLiteral("Paragraph %1: notes dictated on the way in, about the "
                                   "recording session, the microphones and what to fix "
                                   "before Thursday.\n\n")
                        .arg(i);
        }
        Scratchpad::shared().setText(text + QStringLiteral("And the last thing said."));
        Preferences::shared().setDictateToScratchpad(true);
    }
    auto* pane = new panes::ScratchpadPane;
    if (seeded) {
        auto* editor = pane->findChild<QPlainTextEdit*>();
        QTextCursor cursor(editor->document());
        cursor.setPosition(30);
        cursor.setPosition(52, QTextCursor::KeepAnchor);
        editor->setTextCursor(cursor);
    }
    return pane;
}

const SceneRegistration editorScenes[] = {
    SceneRegistration{Scene{"pane-scratchpad-empty", paneSize,
                            [](SceneContext&) {
                                return scratchpad(false);
                            }}},
    SceneRegistration{Scene{"pane-scratchpad-long", paneSize,
                            [](SceneContext&) {
                                return scratchpad(true);
                            }}},
};

} // namespace
} // namespace tavik::screens
