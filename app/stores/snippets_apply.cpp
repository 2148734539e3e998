// Snippet expansion with ICU regular expressions: ICU's word boundaries and caseless matching
// are the ones the triggers were designed around (PCRE's differ).
#include "app/stores/snippets.h"

#include "app/stores/text_graphemes.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace tavik {
namespace {

bool isAsciiPunctuation(char16_t c) {
    return (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
           (c >= 0x7B && c <= 0x7E);
}

// Every ASCII punctuation character is quoted with a backslash; that covers all of ICU's
// metacharacters and is harmless for the rest. Letters, digits and other characters are never
// preceded by a backslash (that would turn them into escapes such as \b or \w).
QString escapedPattern(const QString& literal) {
    QString out;
    out.reserve(literal.size() * 2);
    for (const QChar c : literal) {
        if (isAsciiPunctuation(c.unicode())) {
            out.append(u'\\');
        }
        out.append(c);
    }
    return out;
}

icu::UnicodeString toIcu(const QString& text) {
    return icu::UnicodeString(text.utf16(), int32_t(text.size()));
}

// Replaces every match of `trigger` in `text`, left to right and without overlap, by
// `expansion` exactly as it is. Returns `text` unchanged when the pattern does not compile.
QString expandOne(const QString& text, const QString& trigger, const QString& expansion) {
    const icu::UnicodeString pattern = toIcu("\\b" + escapedPattern(trigger) + "\\b[.,!?]?");
    UParseError parseError{};
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(pattern, UREGEX_CASE_INSENSITIVE, parseError, status));
    if (U_FAILURE(status) || !compiled) {
        return text;
    }
    const icu::UnicodeString input = toIcu(text);
    std::unique_ptr<icu::RegexMatcher> matcher(compiled->matcher(input, status));
    if (U_FAILURE(status) || !matcher) {
        return text;
    }
    QString out;
    qsizetype copiedUpTo = 0;
    while (matcher->find(status) && U_SUCCESS(status)) {
        const int32_t start = matcher->start(status);
        const int32_t end = matcher->end(status);
        if (U_FAILURE(status)) {
            return text;
        }
        out.append(QStringView(text).sliced(copiedUpTo, start - copiedUpTo));
        out.append(expansion);
        copiedUpTo = end;
    }
    if (U_FAILURE(status)) {
        return text;
    }
    out.append(QStringView(text).sliced(copiedUpTo));
    return out;
}

} // namespace

QString Snippets::apply(const QString& text) const {
    const std::shared_ptr<const QList<Snippet>> snapshot = items_.load();
    struct Kept {
        const Snippet* snippet;
        qsizetype length;
    };
    std::vector<Kept> kept;
    for (const Snippet& snippet : *snapshot) {
        if (snippet.enabled && !snippet.trigger.isEmpty()) {
            kept.push_back({&snippet, text::graphemeCount(snippet.trigger)});
        }
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const Kept& a, const Kept& b) { return a.length > b.length; });
    QString current = text;
    for (const Kept& entry : kept) {
        current = expandOne(current, entry.snippet->trigger, entry.snippet->expansion);
    }
    return current;
}

} // namespace tavik
