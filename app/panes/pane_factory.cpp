#include "app/panes/pane_factory.h"

#include "app/panes/settings/settings_view.h"

#include <QLabel>

namespace tavik::panes {

namespace {

// A section whose pane is not built yet shows its title, so the window stays navigable.
QWidget* placeholderPane(AppState::Section section, QWidget* parent) {
    auto* label = new QLabel(AppState::title(section), parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

QWidget* makePane(AppState::Section section, const PaneServices& services, QWidget* parent) {
    (void)services;
    switch (section) {
    case AppState::Section::dictation:
        return placeholderPane(section, parent);
    case AppState::Section::insights:
        return placeholderPane(section, parent);
    case AppState::Section::dictionary:
        return placeholderPane(section, parent);
    case AppState::Section::snippets:
        return placeholderPane(section, parent);
    case AppState::Section::transforms:
        return placeholderPane(section, parent);
    case AppState::Section::scratchpad:
        return placeholderPane(section, parent);
    case AppState::Section::settings:
        return new settings::SettingsView(services.controller, parent);
    }
    return placeholderPane(section, parent);
}

} // namespace tavik::panes
