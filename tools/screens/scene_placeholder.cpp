// The panes as the factory makes them today, one scene per section.
#include "app/panes/pane_factory.h"
#include "tools/screens/scene.h"

namespace tavik::screens {
namespace {

const SceneRegistration placeholderScenes[] = {
    SceneRegistration{Scene{QStringLiteral("factory-pane-dictation"), QSize(810, 660),
                            [](SceneContext& c) {
                                return panes::makePane(AppState::Section::dictation,
                                                       {c.controller(), c.appState()}, nullptr);
                            }}},
};

} // namespace
} // namespace tavik::screens
