#pragma once

#include "app/dictation/dictation_controller.h"

#include <QObject>

namespace tavik {
class Preferences;
}

namespace tavik::dictation {

// The real components behind each of the controller's interfaces.
std::unique_ptr<DictationSettings> makePreferencesSettings(Preferences& preferences);
std::unique_ptr<CaptureEngine> makeCaptureEngine();
DetectorFactory detectorFactory();
RecogniserFactory recogniserFactory();
std::unique_ptr<ShortcutMonitor> makeShortcutMonitor(Preferences& preferences);
std::unique_ptr<TextInserter> makeTextInserter();
std::unique_ptr<Desktop> makeDesktop();
std::unique_ptr<DictationStores> makeDictationStores();
std::unique_ptr<TextSteps> makeTextSteps();
std::unique_ptr<JobQueue> makeSerialJobQueue(const char* name);

// Everything together, as the application runs it: the shared stores and settings, the
// system clock, the desktop's microphone, shortcut, accessibility and clipboard, and the
// signal hooks.
DictationParts makeApplicationParts();

} // namespace tavik::dictation
