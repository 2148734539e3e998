#pragma once

// Small ICU helpers shared by the text files of the stores; not meant for use elsewhere.
#include <QString>
#include <QStringView>

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>

#include <vector>

namespace tavik::text::detail {

inline bool isAscii(QStringView text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            return false;
        }
    }
    return true;
}

inline bool isAsciiWhiteSpace(char16_t c) {
    return c == u' ' || (c >= 0x09 && c <= 0x0D);
}

inline char16_t asciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 0x20) : c;
}

inline icu::UnicodeString toIcu(QStringView text) {
    return icu::UnicodeString(text.utf16(), int32_t(text.size()));
}

inline QString fromIcu(const icu::UnicodeString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

inline const icu::Normalizer2* normalizer(bool compose) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* instance = compose ? icu::Normalizer2::getNFCInstance(status)
                                               : icu::Normalizer2::getNFDInstance(status);
    return U_SUCCESS(status) ? instance : nullptr;
}

// ICU's grapheme cluster boundaries of one text, on this thread's character iterator (so only one
// at a time per thread). Set up on first use.
class ClusterBoundaries {
public:
    explicit ClusterBoundaries(QStringView text);
    ~ClusterBoundaries();
    ClusterBoundaries(const ClusterBoundaries&) = delete;
    ClusterBoundaries& operator=(const ClusterBoundaries&) = delete;

    // Every boundary, 0 and the text's end included.
    std::vector<qsizetype> all();
    // The first boundary after `at`.
    qsizetype following(qsizetype at);

private:
    bool ready();

    QStringView text_;
    UText* utext_ = nullptr;
    bool failed_ = false;
};

// Whether the text holds a CR LF pair split at `at`: no match may begin or end there.
inline bool splitsCrLf(QStringView text, qsizetype at) {
    return at > 0 && at < text.size() && text[at - 1] == u'\r' && text[at] == u'\n';
}

} // namespace tavik::text::detail
