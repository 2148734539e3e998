#pragma once

#include "app/stores/raw_values.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <map>
#include <optional>
#include <span>

// What a global shortcut does and how it is performed. The raw strings are the stored identity
// of every case (settings files hold them), so they never change; `keyCode` and `flag` are a
// fixed virtual key code and modifier mask per key, kept as part of that identity and never sent
// to the X server. The shortcut monitor maps keys to X11 by XKB key name on its own.
namespace tavik {

enum class DictationAction { pushToTalk, handsFree };

enum class TriggerGesture { hold, doubleTap };

enum class TriggerKey {
    rightOption,
    leftOption,
    rightCommand,
    leftCommand,
    rightControl,
    rightShift,
    fn,
    f5,
    f13,
    f14,
    f15,
    f16,
    f17,
    f18,
    f19,
};

template <> std::span<const DictationAction> allCases<DictationAction>();
template <> std::span<const TriggerGesture> allCases<TriggerGesture>();
template <> std::span<const TriggerKey> allCases<TriggerKey>();

// The stable string of a case; also its id and its JSON form.
QString rawValue(DictationAction action);
QString rawValue(TriggerGesture gesture);
QString rawValue(TriggerKey key);

template <> std::optional<DictationAction> fromRawValue<DictationAction>(QStringView raw);
template <> std::optional<TriggerGesture> fromRawValue<TriggerGesture>(QStringView raw);
template <> std::optional<TriggerKey> fromRawValue<TriggerKey>(QStringView raw);

// Display texts (English, not localised).
QString title(DictationAction action);
QString detail(DictationAction action);
QString label(TriggerGesture gesture);
QString label(TriggerKey key); // with this platform's key legends: "Right Alt", "Left Super", …

// The key's fixed virtual key code (part of its identity; not an X11 keycode).
std::uint16_t keyCode(TriggerKey key);
// The seven modifier keys come first; F5 and F13…F19 are plain keys.
bool isModifier(TriggerKey key);
// The modifier mask the key sets while down; 0 for plain keys. Left and right share one mask.
std::uint64_t flag(TriggerKey key);

// One key used with one gesture. A disabled binding is kept but never fires.
struct TriggerBinding {
    TriggerKey key = TriggerKey::rightOption;
    TriggerGesture gesture = TriggerGesture::hold;
    bool enabled = true;

    bool operator==(const TriggerBinding&) const = default;

    // {"key": <raw>, "gesture": <raw>, "enabled": <bool>}
    QJsonObject toJson() const;
    // The same object as compact text with its members in the order key, gesture, enabled.
    QByteArray toJsonText() const;
    // Needs all three members with their exact JSON types and raw values; other members are
    // ignored. Anything else gives none: a binding is never partly decoded.
    static std::optional<TriggerBinding> fromJson(const QJsonValue& value);
};

// The settings keep one binding per action.
using TriggerBindings = std::map<DictationAction, TriggerBinding>;

} // namespace tavik
