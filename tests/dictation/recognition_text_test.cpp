#include "app/dictation/transcriber.h"
#include "app/dictation/transcript_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavik {
namespace {

struct CleanCase {
    const char* name;
    QString input;
    QString expected;
};

class TranscriptClean : public ::testing::TestWithParam<CleanCase> {};

TEST_P(TranscriptClean, RemovesNoiseAnnotationsAndFoldsWhiteSpace) {
    EXPECT_EQ(Transcriber::clean(GetParam().input), GetParam().expected)
        << GetParam().input.toStdString();
}

const QString kFortyOneLetters = QString(41, QChar('a'));
const QString kFortyLettersOfNoise = "music" + QString(35, QChar('x'));

INSTANTIATE_TEST_SUITE_P(
    Cases, TranscriptClean,
    ::testing::Values(
        CleanCase{"blank_audio", "[BLANK_AUDIO]", ""},
        CleanCase{"music_inside_a_sentence", "Hello (music playing) world", "Hello world"},
        CleanCase{"spaced_silence", "[ Silence ]", ""},
        CleanCase{"mixed_brackets", "[inaudible)", ""},
        CleanCase{"real_parenthesis_stays", "Call me (maybe)", "Call me (maybe)"},
        CleanCase{"laughs_is_not_laughter", "(Laughs)", "(Laughs)"},
        CleanCase{"forty_one_letters_stay", "(" + kFortyOneLetters + ")",
                  "(" + kFortyOneLetters + ")"},
        CleanCase{"forty_characters_are_matched", "Hi (" + kFortyLettersOfNoise + ")", "Hi"},
        CleanCase{"braces_are_not_matched", "{music}", "{music}"},
        CleanCase{"line_breaks_and_spaces", "Hello\n\n  world ", "Hello world"},
        CleanCase{"adjacent_matches", "[music][noise] Hi", "Hi"},
        CleanCase{"mixed_case_noise", "So [MuSiC] then", "So then"},
        CleanCase{"contains_a_noise_word", "Yes (static analysis) works", "Yes works"},
        CleanCase{"unicode_white_space_runs", QString::fromUtf8("One\u00a0\u2003 two\u2003"),
                  "One two"},
        CleanCase{"non_ascii_text_kept", QString::fromUtf8("Caf\u00e9 [Music] na\u00efve"),
                  QString::fromUtf8("Caf\u00e9 na\u00efve")},
        CleanCase{"braces_trimmed_inside_a_match", "a ({noise}) b", "a b"},
        CleanCase{"empty", "", ""}),
    [](const ::testing::TestParamInfo<CleanCase>& info) { return std::string(info.param.name); });

// A recognition result assembled by hand, as whisper.cpp would leave it.
class ScriptedReader final : public RecognitionReader {
public:
    struct Token {
        int id;
        float p;
    };
    struct Segment {
        std::string text;
        std::vector<Token> tokens;
    };
    explicit ScriptedReader(std::vector<Segment> segments) : segments_(std::move(segments)) {}
    int segmentCount() const override { return static_cast<int>(segments_.size()); }
    std::string segmentText(int s) const override { return segments_.at(s).text; }
    int tokenCount(int s) const override { return static_cast<int>(segments_.at(s).tokens.size()); }
    int tokenId(int s, int t) const override { return segments_.at(s).tokens.at(t).id; }
    float tokenProbability(int s, int t) const override { return segments_.at(s).tokens.at(t).p; }
    int endOfTextToken() const override { return 50256; }

private:
    std::vector<Segment> segments_;
};

TEST(TranscriptAggregate, AveragesOnlyTextTokensAcrossSegments) {
    const ScriptedReader reader({{" Hello", {{50363, 0.1f}, {15496, 0.9f}, {50256, 0.2f}}},
                                 {" world", {{995, 0.5f}, {50400, 0.3f}}}});
    const RecognitionResult result = TranscriptText::aggregate(reader);
    EXPECT_EQ(result.text, " Hello world");
    EXPECT_DOUBLE_EQ(result.confidence, static_cast<double>(0.9f + 0.5f) / 2.0);
}

TEST(TranscriptAggregate, NoTextTokenGivesZeroConfidence) {
    const ScriptedReader reader({{"", {{50256, 0.99f}, {50363, 0.98f}}}, {"", {}}});
    const RecognitionResult result = TranscriptText::aggregate(reader);
    EXPECT_EQ(result.text, "");
    EXPECT_EQ(result.confidence, 0.0);
    EXPECT_EQ(TranscriptText::aggregate(ScriptedReader({})).confidence, 0.0);
}

TEST(TranscriptAggregate, CharacterSplitAcrossSegmentsStaysWhole) {
    // "é" is C3 A9 in UTF-8; whisper may end one segment between the two bytes.
    const ScriptedReader reader({{" caf\xC3", {{1, 1.0f}}}, {"\xA9 ok", {{2, 1.0f}}}});
    EXPECT_EQ(TranscriptText::aggregate(reader).text, QString::fromUtf8(" caf\u00e9 ok"));
}

TEST(TranscriptAggregate, InvalidBytesBecomeReplacementCharacters) {
    const ScriptedReader reader({{"a\xFF"
                                  "b",
                                  {{1, 1.0f}}}});
    EXPECT_EQ(TranscriptText::aggregate(reader).text, QString::fromUtf8("a\uFFFDb"));
}

TEST(TranscriberThreads, HalfTheProcessorsAboveSevenElseFour) {
    const std::vector<std::pair<int, int>> table = {{1, 4},  {6, 4},  {7, 4},  {8, 4},
                                                    {10, 5}, {16, 8}, {33, 16}};
    for (const auto& [processors, threads] : table) {
        EXPECT_EQ(TranscriptText::threadCount(processors), threads) << processors;
    }
}

} // namespace
} // namespace tavik
