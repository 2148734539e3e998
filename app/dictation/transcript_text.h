#pragma once

#include <QString>

#include <string>

namespace tavik {

// What whisper.cpp left behind after one recognition, read through a small interface so the
// text and confidence rules can be checked without a model.
class RecognitionReader {
public:
    virtual ~RecognitionReader() = default;
    virtual int segmentCount() const = 0;
    virtual std::string segmentText(int segment) const = 0; // raw UTF-8 bytes
    virtual int tokenCount(int segment) const = 0;
    virtual int tokenId(int segment, int token) const = 0;
    virtual float tokenProbability(int segment, int token) const = 0;
    virtual int endOfTextToken() const = 0;
};

struct RecognitionResult {
    QString text;
    double confidence = 0.0;
};

namespace TranscriptText {

// The segments' texts joined in order, decoded once (a character split across two segments
// stays whole), and the mean probability of the text tokens (ids below end-of-text), summed in
// single precision; 0 when there is no text token. The text is not cleaned here.
RecognitionResult aggregate(const RecognitionReader& reader);

// Removes bracketed noise annotations ("[BLANK_AUDIO]", "(music playing)") and folds white
// space: runs become one space, both ends are trimmed.
QString clean(const QString& text);

// Recognition threads for a machine with `processors` active processors: half of them above
// seven, else four.
int threadCount(int processors);

} // namespace TranscriptText
} // namespace tavik
