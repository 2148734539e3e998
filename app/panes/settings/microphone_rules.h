#pragma once

// What the microphone section says about the devices, as plain functions of the controller's
// microphone status and the stored choice.
#include "app/dictation/dictation_ports.h"

#include <QList>
#include <QString>

#include <optional>

namespace tavik::panes::settings {

// "System default", with " — <name>" when the system default's name is known.
QString defaultMicrophoneTitle(const dictation::MicrophoneStatus& status);

// The closed menu's text: the chosen device's name, "<stored name> (not connected)" when it is
// gone, or the default title when nothing is chosen.
QString microphoneMenuTitle(const dictation::MicrophoneStatus& status,
                            const std::optional<QString>& chosenUID,
                            const std::optional<QString>& chosenName);

// One line of the device menu: a header or a device to choose (none = the system default).
struct MicrophoneMenuEntry {
    bool header = false;
    QString text; // plain; the menu escapes it
    bool checked = false;
    std::optional<AudioInputDevice> device;
};

// The system default, the "Microphones" section (present even when empty), then "Virtual and
// loopback" only when a virtual device exists.
QList<MicrophoneMenuEntry> microphoneMenuEntries(const dictation::MicrophoneStatus& status,
                                                 const std::optional<QString>& chosenUID);

// The status line: a lead text in silver and a device name in mist; `live` lights the dot.
struct MicrophoneStatusText {
    QString lead;
    QString name;
    bool live = false;
};
MicrophoneStatusText microphoneStatusText(const dictation::MicrophoneStatus& status);

// At most one note under the status line; `warning` notes are drawn in the accent colour.
struct MicrophoneNote {
    QString text;
    bool warning = false;
};
std::optional<MicrophoneNote> microphoneNote(const dictation::MicrophoneStatus& status,
                                             const std::optional<QString>& chosenName);

// The meter's filled share for a level in dBFS: -60 dB and below empty, 0 dB and above full.
// A level that is not a number reads as silence.
double meterFraction(float db);
// The level bar's width in a track `trackWidth` wide; even silence shows a 2 px sliver.
double meterLevelWidth(float db, double trackWidth);

} // namespace tavik::panes::settings
