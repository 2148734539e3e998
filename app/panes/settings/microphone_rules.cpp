#include "app/panes/settings/microphone_rules.h"

#include <algorithm>
#include <cmath>

namespace tavik::panes::settings {

QString defaultMicrophoneTitle(const dictation::MicrophoneStatus& status) {
    QString title = QStringLiteral("System default");
    if (status.systemDefaultName) {
        title += QStringLiteral(" — ") + *status.systemDefaultName;
    }
    return title;
}

QString microphoneMenuTitle(const dictation::MicrophoneStatus& status,
                            const std::optional<QString>& chosenUID,
                            const std::optional<QString>& chosenName) {
    if (!chosenUID) {
        return defaultMicrophoneTitle(status);
    }
    for (const AudioInputDevice& device : status.devices) {
        if (device.uid == *chosenUID) {
            return device.name;
        }
    }
    return chosenName.value_or(QStringLiteral("Chosen microphone")) +
           QStringLiteral(" (not connected)");
}

QList<MicrophoneMenuEntry> microphoneMenuEntries(const dictation::MicrophoneStatus& status,
                                                 const std::optional<QString>& chosenUID) {
    QList<MicrophoneMenuEntry> entries;
    entries.append({false, defaultMicrophoneTitle(status), !chosenUID.has_value(), std::nullopt});
    const auto section = [&](const QString& title, bool virtualDevices) {
        entries.append({true, title, false, std::nullopt});
        for (const AudioInputDevice& device : status.devices) {
            if (device.isVirtual() == virtualDevices) {
                entries.append({false, device.name, chosenUID && device.uid == *chosenUID, device});
            }
        }
    };
    section(QStringLiteral("Microphones"), false);
    const bool anyVirtual = std::any_of(status.devices.begin(), status.devices.end(),
                                        [](const AudioInputDevice& d) { return d.isVirtual(); });
    if (anyVirtual) {
        section(QStringLiteral("Virtual and loopback"), true);
    }
    return entries;
}

MicrophoneStatusText microphoneStatusText(const dictation::MicrophoneStatus& status) {
    if (status.active) {
        return {QStringLiteral("Listening on "), status.active->name, !status.silent};
    }
    if (status.planned) {
        return {QStringLiteral("Not listening — will use "), status.planned->name, false};
    }
    return {QStringLiteral("No microphone is connected"), QString(), false};
}

std::optional<MicrophoneNote> microphoneNote(const dictation::MicrophoneStatus& status,
                                             const std::optional<QString>& chosenName) {
    if (status.silent && status.active) {
        return MicrophoneNote{
            status.active->name +
                QStringLiteral(" is selected but isn't delivering any sound. It may be muted, "
                               "held by another app, or not a real microphone — try another one "
                               "above."),
            true};
    }
    if (status.usingFallback && status.planned) {
        return MicrophoneNote{chosenName.value_or(QStringLiteral("Your chosen microphone")) +
                                  QStringLiteral(" isn't connected, so Tavik is using ") +
                                  status.planned->name +
                                  QStringLiteral(". It switches back on its own when it returns."),
                              true};
    }
    if (status.planned && status.planned->isVirtual()) {
        return MicrophoneNote{status.planned->name +
                                  QStringLiteral(" is a virtual device — it carries other apps' "
                                                 "audio, not your voice."),
                              true};
    }
    if (status.planned && status.planned->isBluetooth()) {
        return MicrophoneNote{
            QStringLiteral("Using a Bluetooth headset's microphone switches the headset into call "
                           "mode, which lowers what you hear through it. With \"Keep the "
                           "microphone ready\" on, that lasts for as long as Tavik is open. The "
                           "built-in or a wired microphone avoids it."),
            false};
    }
    return std::nullopt;
}

double meterFraction(float db) {
    if (std::isnan(db)) {
        return 0.0; // an unreadable level must not make the bar's width undefined
    }
    return std::clamp((double(db) + 60.0) / 60.0, 0.0, 1.0);
}

double meterLevelWidth(float db, double trackWidth) {
    return std::max(2.0, meterFraction(db) * trackWidth);
}

} // namespace tavik::panes::settings
