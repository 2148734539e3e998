// The six local transforms on real text: sentence segmentation, filler removal and case mapping.
#include "app/stores/local_transforms.h"

#include "tests/support/transforms_printers.h"

#include <gtest/gtest.h>

namespace tavik {
namespace {

QString run(TransformKind kind, const QString& text) {
    return local_transforms::apply(kind, text);
}

TEST(TransformKindTest, RawValuesLabelsAndLocalityFollowTheTable) {
    const QStringList raws = {
        "bulletList", "removeFillers", "sentenceCase", "titleCase", "upperCase", "lowerCase", "ai"};
    const QStringList labels = {"Bullet list", "Remove filler words", "Sentence case", "Title Case",
                                "UPPERCASE",   "lowercase",           "AI rewrite"};
    ASSERT_EQ(transform_kind::allCases.size(), 7u);
    for (std::size_t i = 0; i < transform_kind::allCases.size(); ++i) {
        const TransformKind kind = transform_kind::allCases[i];
        EXPECT_EQ(transform_kind::rawValue(kind), raws[int(i)]);
        EXPECT_EQ(transform_kind::id(kind), raws[int(i)]);
        EXPECT_EQ(transform_kind::label(kind), labels[int(i)]);
        EXPECT_EQ(transform_kind::isLocal(kind), kind != TransformKind::ai);
        EXPECT_EQ(transform_kind::fromRawValue(raws[int(i)]), kind);
    }
    EXPECT_FALSE(transform_kind::fromRawValue("BulletList").has_value());
    EXPECT_FALSE(transform_kind::fromRawValue("bulletList ").has_value());
    EXPECT_FALSE(transform_kind::fromRawValue("").has_value());
}

TEST(LocalTransformsTest, BulletListPutsEachSentenceOnItsOwnLine) {
    EXPECT_EQ(run(TransformKind::bulletList, "One. Two."), QString("\u2022 One.\n\u2022 Two."));
    EXPECT_EQ(run(TransformKind::bulletList,
                  "Buy milk and bread! Call the plumber about the sink?\n\n  Then pick up Anna "
                  "at 5.30 from school.  "),
              QString("\u2022 Buy milk and bread!\n\u2022 Call the plumber about the sink?\n"
                      "\u2022 Then pick up Anna at 5.30 from school."));
    // A single sentence without a full stop is still one line.
    EXPECT_EQ(run(TransformKind::bulletList, "just one thought"),
              QString("\u2022 just one thought"));
}

TEST(LocalTransformsTest, BulletListOfBlankTextKeepsTheWholeUntrimmedText) {
    EXPECT_EQ(run(TransformKind::bulletList, "   "), QString("\u2022    "));
    EXPECT_EQ(run(TransformKind::bulletList, ""), QString("\u2022 "));
    EXPECT_EQ(local_transforms::sentences(" \n\t"), QStringList{" \n\t"});
}

TEST(LocalTransformsTest, SentencesSplitOtherScriptsToo) {
    EXPECT_EQ(local_transforms::sentences("Привет. Как дела? 你好。再见！"),
              (QStringList{"Привет.", "Как дела?", "你好。", "再见！"}));
}

TEST(LocalTransformsTest, RemoveFillersTakesFillersWithTheirCommaAndSpaces) {
    EXPECT_EQ(run(TransformKind::removeFillers, "Um, so I think"), "So I think");
    EXPECT_EQ(run(TransformKind::removeFillers, "so, you know, it works"), "So, it works");
    EXPECT_EQ(run(TransformKind::removeFillers, "I MEAN it is, uh, kind of done"), "It is, done");
    EXPECT_EQ(run(TransformKind::removeFillers, "um uh, erm"), "");
    EXPECT_EQ(run(TransformKind::removeFillers, "  um  \n ah, "), "");
}

TEST(LocalTransformsTest, RemoveFillersKeepsWordsThatOnlyContainAFiller) {
    EXPECT_EQ(run(TransformKind::removeFillers, "umbrella and uhura ahead, kindly"),
              "Umbrella and uhura ahead, kindly");
    EXPECT_EQ(run(TransformKind::removeFillers, "the drum, the hum"), "The drum, the hum");
    EXPECT_EQ(run(TransformKind::removeFillers, "sort ofa thing"), "Sort ofa thing");
}

TEST(LocalTransformsTest, RemoveFillersTurnsLineBreaksIntoSingleSpaces) {
    EXPECT_EQ(run(TransformKind::removeFillers, "first line\n\nsecond\tline\r\nthird"),
              "First line second line third");
    // The first character grows when upper-cased.
    EXPECT_EQ(run(TransformKind::removeFillers, "uh, ßtraße"), QString("SStraße"));
}

TEST(LocalTransformsTest, SentenceCaseLowersAllButTheFirstLetterOfEachSentence) {
    EXPECT_EQ(run(TransformKind::sentenceCase, "HELLO THERE. I AM BOB. My friend Anna!"),
              "Hello there. I am bob. My friend anna!");
    // A lower-case word after a full stop continues the sentence (an abbreviation such as
    // "e.g." does not end one), so it gets no capital.
    EXPECT_EQ(run(TransformKind::sentenceCase, "WE NEED FRUIT, E.G. apples. AND PEARS."),
              "We need fruit, e.g. apples. And pears.");
    EXPECT_EQ(run(TransformKind::sentenceCase, "ΟΔΟΣ ΚΛΕΙΣΤΗ. ÉCOLE fermée!"),
              QString("Οδος κλειστη. École fermée!"));
    EXPECT_EQ(run(TransformKind::sentenceCase, "   "), "   ");
}

TEST(LocalTransformsTest, TitleCaseCapitalisesWordsButSmallOnes) {
    EXPECT_EQ(run(TransformKind::titleCase, "the lord of the rings"), "The Lord of the Rings");
    EXPECT_EQ(run(TransformKind::titleCase, "the cat, and dog"), "The Cat, and Dog");
    EXPECT_EQ(run(TransformKind::titleCase, "and, then"), "And, Then");
    EXPECT_EQ(run(TransformKind::titleCase, "a\nb c"), "A\nb C");
    EXPECT_EQ(run(TransformKind::titleCase, "  WAR   AND  peace  "), "War and Peace");
    EXPECT_EQ(run(TransformKind::titleCase, "élan vital über alles"),
              QString("Élan Vital Über Alles"));
}

TEST(LocalTransformsTest, CaseMappingIsFullAndIndependentOfTheLocale) {
    EXPECT_EQ(run(TransformKind::upperCase, "straße"), QString("STRASSE"));
    EXPECT_EQ(run(TransformKind::lowerCase, "ΟΔΟΣ"), QString("οδος"));
    EXPECT_EQ(run(TransformKind::lowerCase, "ΟΔΟΣ ΚΑΙ"), QString("οδος και"));
    EXPECT_EQ(run(TransformKind::upperCase, "istanbul ıi"), QString("ISTANBUL II"));
    EXPECT_EQ(run(TransformKind::lowerCase, "İ"), QString("i\u0307"));
    EXPECT_EQ(run(TransformKind::upperCase, "emoji 👍🏽 stay"), QString("EMOJI 👍🏽 STAY"));
}

TEST(LocalTransformsTest, AiKindLeavesTheTextAlone) {
    const QString text = "  Um, ΟΔΟΣ.  the end\n";
    EXPECT_EQ(run(TransformKind::ai, text), text);
}

} // namespace
} // namespace tavik
