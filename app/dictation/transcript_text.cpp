#include "app/dictation/transcript_text.h"

#include <unicode/locid.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <array>
#include <memory>
#include <vector>

namespace tavik::TranscriptText {
namespace {

icu::UnicodeString toIcu(const QString& text) {
    return icu::UnicodeString(reinterpret_cast<const UChar*>(text.utf16()),
                              static_cast<int32_t>(text.size()));
}

QString fromIcu(const icu::UnicodeString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

// Whisper's annotations are short and bracketed; the lazy 40-character bound keeps a real
// parenthetical sentence out of reach.
constexpr char16_t kAnnotationPattern[] = u"[\\[\\(]\\s*[^\\]\\)]{0,40}?\\s*[\\]\\)]";

constexpr std::array<const char16_t*, 14> kNoiseWords = {
    u"blank_audio", u"blank audio", u"silence",   u"inaudible", u"music",
    u"noise",       u"applause",    u"laughter",  u"static",    u"beep",
    u"clicking",    u"coughing",    u"breathing", u"no speech"};

bool isTrimmedFromAnnotation(UChar32 c) {
    return c == '[' || c == ']' || c == '(' || c == ')' || c == '{' || c == '}' || c == ' ';
}

bool isNoise(icu::UnicodeString annotation) {
    int32_t start = 0;
    int32_t end = annotation.length();
    while (start < end && isTrimmedFromAnnotation(annotation.charAt(start))) {
        ++start;
    }
    while (end > start && isTrimmedFromAnnotation(annotation.charAt(end - 1))) {
        --end;
    }
    icu::UnicodeString inner = annotation.tempSubStringBetween(start, end);
    inner.toLower(icu::Locale::getRoot());
    for (const char16_t* word : kNoiseWords) {
        if (inner.indexOf(icu::UnicodeString(word)) >= 0) {
            return true;
        }
    }
    return false;
}

struct Span {
    int32_t start;
    int32_t end;
};

icu::UnicodeString removeNoiseAnnotations(const icu::UnicodeString& text) {
    UErrorCode status = U_ZERO_ERROR;
    icu::RegexMatcher matcher(icu::UnicodeString(kAnnotationPattern), text, UREGEX_CASE_INSENSITIVE,
                              status);
    if (U_FAILURE(status)) {
        return text;
    }
    std::vector<Span> matches;
    while (matcher.find(status) && U_SUCCESS(status)) {
        matches.push_back({static_cast<int32_t>(matcher.start(status)),
                           static_cast<int32_t>(matcher.end(status))});
    }
    icu::UnicodeString result = text;
    // From the last match back, so earlier positions stay valid as later text goes.
    for (auto it = matches.rbegin(); it != matches.rend(); ++it) {
        if (isNoise(text.tempSubStringBetween(it->start, it->end))) {
            result.remove(it->start, it->end - it->start);
        }
    }
    return result;
}

icu::UnicodeString foldWhiteSpace(const icu::UnicodeString& text) {
    UErrorCode status = U_ZERO_ERROR;
    icu::RegexMatcher matcher(icu::UnicodeString(u"\\s+"), text, 0, status);
    if (U_FAILURE(status)) {
        return text;
    }
    icu::UnicodeString folded = matcher.replaceAll(icu::UnicodeString(u" "), status);
    return U_SUCCESS(status) ? folded : text;
}

icu::UnicodeString trimWhiteSpace(const icu::UnicodeString& text) {
    int32_t start = 0;
    int32_t end = text.length();
    while (start < end && u_isUWhiteSpace(text.char32At(start))) {
        start = text.moveIndex32(start, 1);
    }
    while (end > start && u_isUWhiteSpace(text.char32At(text.moveIndex32(end, -1)))) {
        end = text.moveIndex32(end, -1);
    }
    return text.tempSubStringBetween(start, end);
}

} // namespace

RecognitionResult aggregate(const RecognitionReader& reader) {
    std::string bytes;
    float probabilitySum = 0.0f;
    int textTokens = 0;
    const int endOfText = reader.endOfTextToken();
    for (int segment = 0; segment < reader.segmentCount(); ++segment) {
        bytes += reader.segmentText(segment);
        for (int token = 0; token < reader.tokenCount(segment); ++token) {
            if (reader.tokenId(segment, token) < endOfText) {
                probabilitySum += reader.tokenProbability(segment, token);
                ++textTokens;
            }
        }
    }
    RecognitionResult result;
    result.text = QString::fromUtf8(bytes);
    result.confidence = textTokens > 0
                            ? static_cast<double>(probabilitySum) / static_cast<double>(textTokens)
                            : 0.0;
    return result;
}

QString clean(const QString& text) {
    return fromIcu(trimWhiteSpace(foldWhiteSpace(removeNoiseAnnotations(toIcu(text)))));
}

int threadCount(int processors) {
    return processors > 7 ? processors / 2 : 4;
}

} // namespace tavik::TranscriptText
