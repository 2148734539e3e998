#include "app/stores/trigger.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <vector>

namespace tavik {
namespace {

QJsonValue parse(const char* text) {
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray(text));
    return document.isObject() ? QJsonValue(document.object()) : QJsonValue();
}

template <class T> std::vector<QString> rawValuesOf() {
    std::vector<QString> raws;
    for (const T value : allCases<T>()) {
        raws.push_back(rawValue(value));
    }
    return raws;
}

TEST(TriggerCases, AreOfferedInTheirTableOrder) {
    EXPECT_EQ(rawValuesOf<DictationAction>(), (std::vector<QString>{"pushToTalk", "handsFree"}));
    EXPECT_EQ(rawValuesOf<TriggerGesture>(), (std::vector<QString>{"hold", "doubleTap"}));
    EXPECT_EQ(rawValuesOf<TriggerKey>(),
              (std::vector<QString>{"rightOption", "leftOption", "rightCommand", "leftCommand",
                                    "rightControl", "rightShift", "fn", "f5", "f13", "f14", "f15",
                                    "f16", "f17", "f18", "f19"}));
}

TEST(TriggerCases, RawValuesRoundTripAndMatchExactly) {
    for (const auto key : allCases<TriggerKey>()) {
        EXPECT_EQ(fromRawValue<TriggerKey>(rawValue(key)), key) << rawValue(key).toStdString();
        EXPECT_EQ(fromJson<TriggerKey>(QJsonValue(rawValue(key))), key);
    }
    for (const auto gesture : allCases<TriggerGesture>()) {
        EXPECT_EQ(fromRawValue<TriggerGesture>(rawValue(gesture)), gesture);
    }
    for (const auto action : allCases<DictationAction>()) {
        EXPECT_EQ(fromRawValue<DictationAction>(rawValue(action)), action);
    }
    EXPECT_FALSE(fromRawValue<TriggerKey>(u"RightOption"));
    EXPECT_FALSE(fromRawValue<TriggerKey>(u"F5"));
    EXPECT_FALSE(fromRawValue<TriggerKey>(u""));
    EXPECT_FALSE(fromRawValue<TriggerGesture>(u"Double-tap"));
    EXPECT_FALSE(fromRawValue<DictationAction>(u"pushtotalk"));
    EXPECT_FALSE(fromJson<TriggerKey>(QJsonValue(5)));
    EXPECT_FALSE(fromJson<TriggerGesture>(QJsonValue()));
}

TEST(TriggerTexts, ReadAsTheSettingsPaneShowsThem) {
    EXPECT_EQ(title(DictationAction::pushToTalk), "Push to talk");
    EXPECT_EQ(detail(DictationAction::pushToTalk),
              "Speak while the key is down; the text appears when you let go.");
    EXPECT_EQ(title(DictationAction::handsFree), "Hands free");
    EXPECT_EQ(detail(DictationAction::handsFree),
              "Speak with nothing held; it stops when you stop.");
    EXPECT_EQ(label(TriggerGesture::hold), "Hold");
    EXPECT_EQ(label(TriggerGesture::doubleTap), "Double-tap");

    std::vector<QString> labels;
    for (const auto key : allCases<TriggerKey>()) {
        labels.push_back(label(key));
    }
    EXPECT_EQ(labels, (std::vector<QString>{"Right Alt", "Left Alt", "Right Super", "Left Super",
                                            "Right Ctrl", "Right Shift", "fn", "F5", "F13", "F14",
                                            "F15", "F16", "F17", "F18", "F19"}));
}

TEST(TriggerKeyFacts, CodesAndFlagsAreTheStoredIdentity) {
    struct Expected {
        TriggerKey key;
        std::uint16_t code;
        std::uint64_t flag;
    };
    const Expected table[] = {
        {TriggerKey::rightOption, 61, 0x80000},
        {TriggerKey::leftOption, 58, 0x80000},
        {TriggerKey::rightCommand, 54, 0x100000},
        {TriggerKey::leftCommand, 55, 0x100000},
        {TriggerKey::rightControl, 62, 0x40000},
        {TriggerKey::rightShift, 60, 0x20000},
        {TriggerKey::fn, 63, 0x800000},
        {TriggerKey::f5, 96, 0},
        {TriggerKey::f13, 105, 0},
        {TriggerKey::f14, 107, 0},
        {TriggerKey::f15, 113, 0},
        {TriggerKey::f16, 106, 0},
        {TriggerKey::f17, 64, 0},
        {TriggerKey::f18, 79, 0},
        {TriggerKey::f19, 80, 0},
    };
    for (const auto& expected : table) {
        const std::string name = rawValue(expected.key).toStdString();
        EXPECT_EQ(keyCode(expected.key), expected.code) << name;
        EXPECT_EQ(flag(expected.key), expected.flag) << name;
        EXPECT_EQ(isModifier(expected.key), expected.flag != 0) << name;
    }
    // Left and right share the mask; only the code tells them apart.
    EXPECT_EQ(flag(TriggerKey::leftOption), flag(TriggerKey::rightOption));
    EXPECT_NE(keyCode(TriggerKey::leftOption), keyCode(TriggerKey::rightOption));
}

TEST(TriggerBindingJson, EncodesEveryCombinationAndDecodesItBack) {
    for (const auto key : allCases<TriggerKey>()) {
        for (const auto gesture : allCases<TriggerGesture>()) {
            for (const bool enabled : {true, false}) {
                const TriggerBinding binding{key, gesture, enabled};
                EXPECT_EQ(TriggerBinding::fromJson(binding.toJson()), binding);
                const QJsonDocument text = QJsonDocument::fromJson(binding.toJsonText());
                EXPECT_EQ(TriggerBinding::fromJson(text.object()), binding);
            }
        }
    }
    EXPECT_EQ(TriggerBinding({TriggerKey::rightOption, TriggerGesture::hold}).toJsonText(),
              R"({"key":"rightOption","gesture":"hold","enabled":true})");
    EXPECT_TRUE(TriggerBinding({TriggerKey::f5, TriggerGesture::hold}).enabled);
}

TEST(TriggerBindingJson, IgnoresMembersWithOtherNames) {
    EXPECT_EQ(TriggerBinding::fromJson(
                  parse(R"({"key":"f13","gesture":"doubleTap","enabled":false,"note":[1]})")),
              (TriggerBinding{TriggerKey::f13, TriggerGesture::doubleTap, false}));
}

TEST(TriggerBindingJson, FailsAsAWholeOnAnyMissingOrMistypedMember) {
    const char* broken[] = {
        R"({"key":"rightOption","gesture":"hold"})",                      // no enabled
        R"({"gesture":"hold","enabled":true})",                           // no key
        R"({"key":"rightOption","enabled":true})",                        // no gesture
        R"({"key":"rightOption","gesture":"hold","enabled":null})",       // null
        R"({"key":"rightOption","gesture":"hold","enabled":1})",          // number for bool
        R"({"key":"rightOption","gesture":"hold","enabled":"true"})",     // string for bool
        R"({"key":61,"gesture":"hold","enabled":true})",                  // key code
        R"({"key":"rightOption","gesture":"Double-tap","enabled":true})", // label
        R"({"key":"RightOption","gesture":"hold","enabled":true})",       // letter case
        R"({"key":"Right Alt","gesture":"hold","enabled":true})",         // label
        R"({"key":"rightOption","gesture":"Hold","enabled":true})",       // label
    };
    for (const char* text : broken) {
        const QJsonValue value = parse(text);
        ASSERT_TRUE(value.isObject()) << text;
        EXPECT_FALSE(TriggerBinding::fromJson(value)) << text;
    }
    EXPECT_FALSE(TriggerBinding::fromJson(QJsonValue("rightOption")));
    EXPECT_FALSE(TriggerBinding::fromJson(QJsonValue()));
}

TEST(TriggerBindingEquality, ComparesAllThreeFields) {
    const TriggerBinding base{TriggerKey::rightCommand, TriggerGesture::doubleTap, true};
    EXPECT_EQ(base, (TriggerBinding{TriggerKey::rightCommand, TriggerGesture::doubleTap, true}));
    EXPECT_NE(base, (TriggerBinding{TriggerKey::leftCommand, TriggerGesture::doubleTap, true}));
    EXPECT_NE(base, (TriggerBinding{TriggerKey::rightCommand, TriggerGesture::hold, true}));
    EXPECT_NE(base, (TriggerBinding{TriggerKey::rightCommand, TriggerGesture::doubleTap, false}));
}

} // namespace
} // namespace tavik
