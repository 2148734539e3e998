#pragma once

namespace tavik {

// What cut an open utterance off: the microphone went away, the sound server did, or the
// capture was rebuilt on purpose (a restart, another microphone chosen).
enum class CaptureInterruption { microphoneGone, soundServerGone, rebuilt };

} // namespace tavik
