// The application's controller parts: the real components on the real desktop.
#include "app/dictation/dictation_wiring.h"
#include "app/dictation/signal_hooks.h"
#include "app/stores/preferences.h"

namespace tavik::dictation {

DictationParts makeApplicationParts() {
    auto& preferences = Preferences::shared();
    DictationParts parts;
    parts.clock = &platform::Clock::system();
    parts.audio = makeCaptureEngine();
    parts.makeDetector = detectorFactory();
    parts.makeRecogniser = recogniserFactory();
    parts.hotkey = makeShortcutMonitor(preferences);
    parts.inserter = makeTextInserter();
    parts.desktop = makeDesktop();
    parts.settings = makePreferencesSettings(preferences);
    parts.stores = makeDictationStores();
    parts.textSteps = makeTextSteps();
    parts.recognitionJobs = makeSerialJobQueue("tavik.recognition");
    parts.loadJobs = makeSerialJobQueue("tavik.model-load");
    parts.signalSource = std::make_unique<PosixSignalSource>();
    return parts;
}

} // namespace tavik::dictation
