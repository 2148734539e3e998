#include "app/dictation/hotkey_keys.h"

namespace tavik {

QByteArray xkbKeyName(TriggerKey key) {
    switch (key) {
    case TriggerKey::rightOption:
        return QByteArrayLiteral("RALT");
    case TriggerKey::leftOption:
        return QByteArrayLiteral("LALT");
    case TriggerKey::rightCommand:
        return QByteArrayLiteral("RWIN");
    case TriggerKey::leftCommand:
        return QByteArrayLiteral("LWIN");
    case TriggerKey::rightControl:
        return QByteArrayLiteral("RCTL");
    case TriggerKey::rightShift:
        return QByteArrayLiteral("RTSH");
    case TriggerKey::fn:
        return {};
    case TriggerKey::f5:
        return QByteArrayLiteral("FK05");
    case TriggerKey::f13:
        return QByteArrayLiteral("FK13");
    case TriggerKey::f14:
        return QByteArrayLiteral("FK14");
    case TriggerKey::f15:
        return QByteArrayLiteral("FK15");
    case TriggerKey::f16:
        return QByteArrayLiteral("FK16");
    case TriggerKey::f17:
        return QByteArrayLiteral("FK17");
    case TriggerKey::f18:
        return QByteArrayLiteral("FK18");
    case TriggerKey::f19:
        return QByteArrayLiteral("FK19");
    }
    return {};
}

std::optional<TriggerKey> triggerKeyWithXkbName(const QByteArray& name) {
    if (name.isEmpty()) {
        return std::nullopt;
    }
    for (const TriggerKey key : allCases<TriggerKey>()) {
        if (xkbKeyName(key) == name) {
            return key;
        }
    }
    return std::nullopt;
}

QList<QByteArray> hotkeyXkbKeyNames() {
    QList<QByteArray> names;
    for (const TriggerKey key : allCases<TriggerKey>()) {
        if (QByteArray name = xkbKeyName(key); !name.isEmpty()) {
            names.append(std::move(name));
        }
    }
    names.append(escapeXkbKeyName);
    return names;
}

} // namespace tavik
