#include "app/stores/trigger.h"

#include <array>

namespace tavik {
namespace {

struct KeyFacts {
    TriggerKey key;
    const char* raw;
    const char* label;
    std::uint16_t keyCode;
    std::uint64_t flag;
};

constexpr std::uint64_t optionFlag = 0x80000;
constexpr std::uint64_t commandFlag = 0x100000;
constexpr std::uint64_t controlFlag = 0x40000;
constexpr std::uint64_t shiftFlag = 0x20000;
constexpr std::uint64_t fnFlag = 0x800000;
constexpr std::size_t modifierCount = 7;

// Table order is the order of allCases; labels name the keys as they read on PC keyboards.
constexpr std::array<KeyFacts, 15> keyTable{{
    {TriggerKey::rightOption, "rightOption", "Right Alt", 61, optionFlag},
    {TriggerKey::leftOption, "leftOption", "Left Alt", 58, optionFlag},
    {TriggerKey::rightCommand, "rightCommand", "Right Super", 54, commandFlag},
    {TriggerKey::leftCommand, "leftCommand", "Left Super", 55, commandFlag},
    {TriggerKey::rightControl, "rightControl", "Right Ctrl", 62, controlFlag},
    {TriggerKey::rightShift, "rightShift", "Right Shift", 60, shiftFlag},
    {TriggerKey::fn, "fn", "fn", 63, fnFlag},
    {TriggerKey::f5, "f5", "F5", 96, 0},
    {TriggerKey::f13, "f13", "F13", 105, 0},
    {TriggerKey::f14, "f14", "F14", 107, 0},
    {TriggerKey::f15, "f15", "F15", 113, 0},
    {TriggerKey::f16, "f16", "F16", 106, 0},
    {TriggerKey::f17, "f17", "F17", 64, 0},
    {TriggerKey::f18, "f18", "F18", 79, 0},
    {TriggerKey::f19, "f19", "F19", 80, 0},
}};

constexpr std::array<TriggerKey, keyTable.size()> allKeys = [] {
    std::array<TriggerKey, keyTable.size()> keys{};
    for (std::size_t i = 0; i < keyTable.size(); ++i) {
        keys[i] = keyTable[i].key;
    }
    return keys;
}();

constexpr std::array<DictationAction, 2> allActions{DictationAction::pushToTalk,
                                                    DictationAction::handsFree};
constexpr std::array<TriggerGesture, 2> allGestures{TriggerGesture::hold,
                                                    TriggerGesture::doubleTap};

static_assert(
    [] {
        for (std::size_t i = 0; i < keyTable.size(); ++i) {
            if (static_cast<std::size_t>(keyTable[i].key) != i) {
                return false;
            }
        }
        return true;
    }(),
    "the key table is indexed by the enumeration");

const KeyFacts& factsOf(TriggerKey key) {
    return keyTable[static_cast<std::size_t>(key)];
}

template <class T> std::optional<T> findByRaw(QStringView raw) {
    for (const T value : allCases<T>()) {
        if (raw == rawValue(value)) {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace

template <> std::span<const DictationAction> allCases<DictationAction>() {
    return allActions;
}
template <> std::span<const TriggerGesture> allCases<TriggerGesture>() {
    return allGestures;
}
template <> std::span<const TriggerKey> allCases<TriggerKey>() {
    return allKeys;
}

QString rawValue(DictationAction action) {
    return action == DictationAction::pushToTalk ? QStringLiteral("pushToTalk")
                                                 : QStringLiteral("handsFree");
}

QString rawValue(TriggerGesture gesture) {
    return gesture == TriggerGesture::hold ? QStringLiteral("hold") : QStringLiteral("doubleTap");
}

QString rawValue(TriggerKey key) {
    return QString::fromLatin1(factsOf(key).raw);
}

template <> std::optional<DictationAction> fromRawValue<DictationAction>(QStringView raw) {
    return findByRaw<DictationAction>(raw);
}
template <> std::optional<TriggerGesture> fromRawValue<TriggerGesture>(QStringView raw) {
    return findByRaw<TriggerGesture>(raw);
}
template <> std::optional<TriggerKey> fromRawValue<TriggerKey>(QStringView raw) {
    return findByRaw<TriggerKey>(raw);
}

QString title(DictationAction action) {
    return action == DictationAction::pushToTalk ? QStringLiteral("Push to talk")
                                                 : QStringLiteral("Hands free");
}

QString detail(DictationAction action) {
    return action == DictationAction::pushToTalk
               ? QStringLiteral("Speak while the key is down; the text appears when you let go.")
               : QStringLiteral("Speak with nothing held; it stops when you stop.");
}

QString label(TriggerGesture gesture) {
    return gesture == TriggerGesture::hold ? QStringLiteral("Hold") : QStringLiteral("Double-tap");
}

QString label(TriggerKey key) {
    return QString::fromUtf8(factsOf(key).label);
}

std::uint16_t keyCode(TriggerKey key) {
    return factsOf(key).keyCode;
}

bool isModifier(TriggerKey key) {
    return static_cast<std::size_t>(key) < modifierCount;
}

std::uint64_t flag(TriggerKey key) {
    return factsOf(key).flag;
}

QJsonObject TriggerBinding::toJson() const {
    return QJsonObject{{QStringLiteral("key"), rawValue(key)},
                       {QStringLiteral("gesture"), rawValue(gesture)},
                       {QStringLiteral("enabled"), enabled}};
}

QByteArray TriggerBinding::toJsonText() const {
    // QJsonObject sorts its members by name; the stored text keeps the declared order instead.
    return R"({"key":")" + rawValue(key).toUtf8() + R"(","gesture":")" +
           rawValue(gesture).toUtf8() + R"(","enabled":)" + (enabled ? "true" : "false") + "}";
}

std::optional<TriggerBinding> TriggerBinding::fromJson(const QJsonValue& value) {
    if (!value.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    const auto key = tavik::fromJson<TriggerKey>(object.value(QLatin1String("key")));
    const auto gesture = tavik::fromJson<TriggerGesture>(object.value(QLatin1String("gesture")));
    const QJsonValue enabled = object.value(QLatin1String("enabled"));
    if (!key || !gesture || !enabled.isBool()) {
        return std::nullopt;
    }
    return TriggerBinding{*key, *gesture, enabled.toBool()};
}

} // namespace tavik
