// The dictionary, snippets, transforms and scratchpad panes, each empty and with sample data
// seeded into the scene's own fresh stores.
#include "app/panes/dictionary/dictionary_pane.h"
#include "app/panes/scratchpad/scratchpad_editor.h"
#include "app/panes/scratchpad/scratchpad_pane.h"
#include "app/panes/snippets/snippets_pane.h"
#include "app/panes/transforms/transforms_pane.h"
#include "app/stores/preferences.h"
#include "app/stores/scratchpad.h"
#include "app/stores/snippets.h"
#include "app/stores/transforms.h"
#include "app/stores/vocabulary.h"
#include "tools/screens/scene.h"

namespace tavik::screens {
namespace {

// The pane area of the main window at its usual size (the window less its sidebar).
const QSize paneSize(810, 660);

QWidget* dictionary(SceneContext& context) {
    return new panes::DictionaryPane(context.controller());
}

void seedTerms() {
    Vocabulary::shared().setTerms({"Ingrid Solberg", "Veltrano", "Kubernetes", "Trelvanic",
                                   "Saoirse Ní Bhraonáin", "AT&T", "pgvector", "Nordlys Kaffebar",
                                   "Reykjavík", "idempotency", "Dr. Oyelaran-Whitcombe",
                                   "Wrocław"});
}

void seedSnippets() {
    Snippets::shared().setItems({
        Snippet{QUuid::createUuid(), "my email", "ingrid.solberg@example.com", true},
        Snippet{QUuid::createUuid(), "my work email", "i.solberg@trelvanic.example", true},
        Snippet{QUuid::createUuid(), "sign off",
                "Best wishes,\nIngrid Solberg\nHead of Field Recording, Trelvanic Sound Archive, "
                "Kongens gate 14, 0153 Oslo",
                true},
        Snippet{QUuid::createUuid(), "the address we give couriers when nobody is at the desk",
                "Goods entrance, rear courtyard, ring twice", false},
        Snippet{QUuid::createUuid(), "thanks", "Thank you — that's very kind of you!", true},
    });
}

void seedTransforms() {
    QList<Transforms::Transform> items = Transforms::defaultItems();
    items.append(
        Transforms::Transform("Polite email", TransformKind::ai, "make this a polite email"));
    items.append(Transforms::Transform(
        "Meeting minutes for the board, formal and dated", TransformKind::ai,
        "Rewrite as formal minutes with a date line, attendees, decisions and actions, "
        "in the past tense, and keep every number exactly as said"));
    items.append(Transforms::Transform("Shorter", TransformKind::ai, "halve the length"));
    Transforms::shared().setItems(items);
}

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
        pane->editor()->select(30, 52);
    }
    return pane;
}

// A pad as dictation leaves it: one paragraph of sentences, a selection over a wrapped line.
QWidget* scratchpadParagraph() {
    QString text;
    for (int i = 1; i <= 400; ++i) {
        text += QStringLiteral("Sentence %1 said on the way in, about the session and the "
                               "microphones. ")
                    .arg(i);
    }
    Scratchpad::shared().setText(text + QStringLiteral("And the last thing said."));
    auto* pane = new panes::ScratchpadPane;
    pane->editor()->select(95, 140);
    return pane;
}

const SceneRegistration editorScenes[] = {
    SceneRegistration{Scene{"pane-dictionary-empty", paneSize, dictionary}},
    SceneRegistration{Scene{"pane-dictionary-terms", QSize(810, 900),
                            [](SceneContext& c) {
                                seedTerms();
                                return dictionary(c);
                            }}},
    SceneRegistration{Scene{"pane-snippets-empty", paneSize,
                            [](SceneContext&) {
                                return new panes::SnippetsPane;
                            }}},
    SceneRegistration{Scene{"pane-snippets-list", paneSize,
                            [](SceneContext&) {
                                seedSnippets();
                                return new panes::SnippetsPane;
                            }}},
    SceneRegistration{Scene{"pane-transforms-fresh", paneSize,
                            [](SceneContext&) {
                                return new panes::TransformsPane;
                            }}},
    SceneRegistration{Scene{"pane-transforms-ai", QSize(810, 860),
                            [](SceneContext&) {
                                seedTransforms();
                                return new panes::TransformsPane;
                            }}},
    SceneRegistration{Scene{"pane-scratchpad-empty", paneSize,
                            [](SceneContext&) {
                                return scratchpad(false);
                            }}},
    SceneRegistration{Scene{"pane-scratchpad-long", paneSize,
                            [](SceneContext&) {
                                return scratchpad(true);
                            }}},
    SceneRegistration{Scene{"pane-scratchpad-paragraph", paneSize,
                            [](SceneContext&) {
                                return scratchpadParagraph();
                            }}},
};

} // namespace
} // namespace tavik::screens
