#include "app/panes/pane_factory.h"

#include "app/panes/dictionary/dictionary_pane.h"
#include "app/panes/history/dictation_view.h"
#include "app/panes/insights/insights_view.h"
#include "app/panes/scratchpad/scratchpad_pane.h"
#include "app/panes/settings/settings_view.h"
#include "app/panes/snippets/snippets_pane.h"
#include "app/panes/transforms/transforms_pane.h"
#include "app/shell/design/pane_frame.h"

namespace tavik::panes {

namespace {

// A section whose pane is not built yet shows its title in the pane frame, so the window stays
// navigable.
QWidget* placeholderPane(AppState::Section section, QWidget* parent) {
    auto* frame = new design::PaneFrame(parent);
    frame->addHeader(AppState::title(section));
    return frame;
}

} // namespace

QWidget* makePane(AppState::Section section, const PaneServices& services, QWidget* parent) {
    switch (section) {
    case AppState::Section::dictation:
        return new DictationView(services.controller, services.state, parent);
    case AppState::Section::insights:
        return new InsightsView(parent, services.state.clock());
    case AppState::Section::dictionary:
        return new DictionaryPane(services.controller, parent);
    case AppState::Section::snippets:
        return new SnippetsPane(parent);
    case AppState::Section::transforms:
        return new TransformsPane(parent);
    case AppState::Section::scratchpad:
        return new ScratchpadPane(parent);
    case AppState::Section::settings:
        return new settings::SettingsView(services.controller, parent);
    }
    return placeholderPane(section, parent);
}

} // namespace tavik::panes
