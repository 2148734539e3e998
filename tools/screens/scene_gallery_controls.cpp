// The design system's gallery, part two: every button and control in each of its states, the
// surfaces, a pane frame with placeholder rows, the menu look.
#include "app/shell/design/buttons.h"
#include "app/shell/design/field.h"
#include "app/shell/design/flow_row.h"
#include "app/shell/design/glyph_button.h"
#include "app/shell/design/glyphs.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/menu_appearance.h"
#include "app/shell/design/motion.h"
#include "app/shell/design/option.h"
#include "app/shell/design/slider.h"
#include "app/shell/design/surfaces.h"
#include "app/shell/design/toggle.h"
#include "tools/screens/scene.h"
#include "tools/screens/scene_gallery_support.h"

#include <QMenu>

namespace tavik::screens {
namespace {

using design::ControlState;
using design::Theme;
using namespace gallery;

struct NamedState {
    const char* name;
    ControlState state;
};

const NamedState states[] = {
    {"rest", {}},
    {"hover", {true, false, false}},
    {"pressed", {true, true, false}},
    {"focused", {false, false, true}},
};

template <typename Button>
void buttonRow(QVBoxLayout* stack, const QString& label, const QString& glyph = {}) {
    QHBoxLayout* line = row(stack, 18);
    for (const NamedState& s : states) {
        auto* button = new Button(label);
        if (!glyph.isEmpty()) {
            button->setGlyph(glyph, 11);
        }
        button->stateHook().force(s.state);
        if (s.state.down) {
            button->setDown(true);
        }
        line->addWidget(cell(button, QString::fromLatin1(s.name)));
    }
    line->addStretch(1);
}

QWidget* controls(SceneContext&) {
    design::Motion::setEnabled(false);
    QVBoxLayout* stack = nullptr;
    QWidget* root = page(stack, 14);

    heading(stack, QStringLiteral("Aurora, kelp and quiet buttons: rest, hover, pressed, focused"));
    buttonRow<design::AuroraButton>(stack, QStringLiteral("Get started"));
    buttonRow<design::KelpButton>(stack, QStringLiteral("Add"));
    buttonRow<design::KelpButton>(stack, QStringLiteral("Copy all"), QStringLiteral("doc.on.doc"));
    buttonRow<design::QuietButton>(stack, QStringLiteral("Kubernetes"));

    heading(stack, QStringLiteral("Glyph buttons: rest, pressed, focused"));
    QHBoxLayout* glyphs = row(stack, 24);
    for (const NamedState& s : {states[0], states[2], states[3]}) {
        auto* button =
            new design::GlyphButton(QStringLiteral("xmark.circle.fill"), 13, Theme::silver);
        button->stateHook().force(s.state);
        glyphs->addWidget(cell(button, QString::fromLatin1(s.name)));
    }
    glyphs->addStretch(1);

    heading(stack, QStringLiteral("Text fields: placeholder, text, under the pointer, secure, "
                                  "monospaced"));
    QHBoxLayout* fields = row(stack, 14);
    auto* empty = new design::TavikField(QStringLiteral("Add a word or phrase"));
    fields->addWidget(cell(empty, QStringLiteral("placeholder")));
    auto* filled = new design::TavikField(QStringLiteral("Trigger"));
    filled->setText(QStringLiteral("my address"));
    fields->addWidget(cell(filled, QStringLiteral("text")));
    auto* hovered = new design::TavikField(QStringLiteral("Under the pointer"));
    hovered->stateHook().force(ControlState{true, false, false});
    fields->addWidget(cell(hovered, QStringLiteral("hover")));
    auto* secure = new design::TavikField(QStringLiteral("API key"), {false, true});
    secure->setText(QStringLiteral("sk-secret"));
    fields->addWidget(cell(secure, QStringLiteral("secure")));
    auto* mono = new design::TavikField(QStringLiteral("https://"), {true, false});
    mono->setText(QStringLiteral("https://api.example"));
    fields->addWidget(cell(mono, QStringLiteral("monospaced")));

    heading(stack, QStringLiteral("Switches: off, on, focused"));
    QHBoxLayout* switches = row(stack, 28);
    auto* off = new design::TavikToggle(QStringLiteral("Play sounds"));
    switches->addWidget(cell(off, QStringLiteral("off")));
    auto* on = new design::TavikToggle(QStringLiteral("Keep the microphone ready"));
    on->setChecked(true);
    switches->addWidget(cell(on, QStringLiteral("on")));
    auto* focused = new design::TavikToggle(QStringLiteral("Show in taskbar"));
    focused->stateHook().force(ControlState{false, false, true});
    switches->addWidget(cell(focused, QStringLiteral("focused")));
    switches->addStretch(1);

    heading(stack, QStringLiteral("Sliders 200…2000 step 50: lower end, 700, upper end, focused"));
    QHBoxLayout* sliders = row(stack, 24);
    for (double value : {200.0, 700.0, 2000.0, 1100.0}) {
        auto* slider = new design::TavikSlider(200, 2000, 50);
        slider->setFixedWidth(180);
        slider->setValue(value);
        const bool focus = value == 1100.0;
        if (focus) {
            slider->stateHook().force(ControlState{false, false, true});
        }
        sliders->addWidget(
            cell(slider, focus ? QStringLiteral("focused") : QString::number(value)));
    }
    sliders->addStretch(1);

    heading(stack, QStringLiteral("Option rows: selected, not selected, focused"));
    QHBoxLayout* options = row(stack, 14);
    auto* chosen = new design::TavikOption(QStringLiteral("Fast — base.en"));
    chosen->setSelected(true);
    chosen->setFixedWidth(240);
    options->addWidget(cell(chosen, QStringLiteral("selected")));
    auto* other = new design::TavikOption(QStringLiteral("Accurate — small.en"));
    other->setFixedWidth(240);
    options->addWidget(cell(other, QStringLiteral("not selected")));
    auto* keyed = new design::TavikOption(QStringLiteral("System default"));
    keyed->stateHook().force(ControlState{false, false, true});
    keyed->setFixedWidth(240);
    options->addWidget(cell(keyed, QStringLiteral("focused")));
    options->addStretch(1);
    stack->addStretch(1);
    return root;
}

// A row of a card: a glyph, a text and a quiet figure on the right, padded like the panes' rows.
QWidget* placeholderRow(const QString& text, const QString& glyph) {
    auto* rowWidget = new QWidget;
    auto* line = new QHBoxLayout(rowWidget);
    line->setContentsMargins(16, 11, 16, 11);
    line->setSpacing(10);
    line->addWidget(new design::GlyphView(glyph, 12, Theme::silver));
    line->addWidget(design::makeText(text, Theme::body(), Theme::mist), 1);
    line->addWidget(design::makeText(QStringLiteral("12:04"), Theme::font(11), Theme::slate));
    return rowWidget;
}

QWidget* surfaces(SceneContext&) {
    design::Motion::setEnabled(false);
    auto* frame = new design::PaneFrame;
    frame->addHeader(QStringLiteral("Pane title"),
                     QStringLiteral("The subtitle wraps under the title in silver at 12 px, "
                                    "the way every pane opens."));
    frame->content()->addWidget(new design::SectionLabel(QStringLiteral("Today")));

    auto* list = new design::Card(0);
    list->addRow(placeholderRow(QStringLiteral("First row under the label"), "mic"));
    list->addRow(placeholderRow(QStringLiteral("Second row, a hairline above it"), "doc.on.doc"));
    list->addRow(placeholderRow(QStringLiteral("Last row: no line below"), "trash"));
    frame->content()->addWidget(list);

    auto* padded = new design::Card;
    padded->contentLayout()->setSpacing(8);
    padded->contentLayout()->addWidget(new design::SectionLabel(QStringLiteral("A padded card")));
    padded->contentLayout()->addWidget(new design::WrappingLabel(
        QStringLiteral("Twenty pixels of padding on every side. This text wraps at words and "
                       "inside overlong words: https://example.invalid/a/really/long/path/"
                       "that/keeps/going/and/going/without/a/space"),
        Theme::font(12), Theme::silver));
    padded->contentLayout()->addWidget(new design::ElidedLabel(
        QStringLiteral("An elided line: Dear team,\nthanks for everything this year, and all the "
                       "rest that follows and never fits"),
        Theme::font(12), Theme::mist));
    frame->content()->addWidget(padded);

    auto* well = new design::Well;
    well->contentLayout()->setContentsMargins(12, 10, 12, 10);
    well->contentLayout()->addWidget(design::makeText(
        QStringLiteral("A well: deep fill, hairline, radius 6"), Theme::font(12), Theme::silver));
    frame->content()->addWidget(well);

    frame->content()->addWidget(new design::SectionLabel(QStringLiteral("Flow row")));
    auto* flow = new design::FlowRow;
    std::vector<QWidget*> words;
    for (const char* word : {"Kubernetes", "Tavik", "whisper.cpp", "PipeWire", "R&D", "Qt"}) {
        words.push_back(new design::QuietButton(design::escapeMnemonics(QString::fromUtf8(word))));
    }
    flow->setItems(words);
    frame->content()->addWidget(flow);
    return frame;
}

QWidget* menu(SceneContext&) {
    auto* m = new QMenu;
    m->addAction(QStringLiteral("Open Tavik"));
    m->addAction(QStringLiteral("Settings…"));
    m->addSeparator();
    QAction* disabled = m->addAction(QStringLiteral("Nothing dictated yet"));
    disabled->setEnabled(false);
    m->addSeparator();
    m->addAction(QStringLiteral("Quit Tavik"));
    m->setActiveAction(m->actions().first());
    design::applyTavikAppearance(m);
    return m;
}

const SceneRegistration controlScenes[] = {
    SceneRegistration{Scene{QStringLiteral("gallery-controls"), QSize(1080, 760), controls}},
    SceneRegistration{Scene{QStringLiteral("gallery-surfaces"), QSize(810, 660), surfaces}},
    SceneRegistration{Scene{QStringLiteral("gallery-menu"), QSize(), menu}},
};

} // namespace
} // namespace tavik::screens
