#include "app/stores/local_transforms.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <memory>
#include <optional>

namespace tavik::local_transforms {

namespace {

// Case mapping and segmentation use the root locale so that a text reads the same on every
// machine whatever the user's language setting (no Turkish dotted I, no Lithuanian accents).
const icu::Locale& rootLocale() {
    return icu::Locale::getRoot();
}

icu::UnicodeString toIcu(const QString& text) {
    return icu::UnicodeString(reinterpret_cast<const UChar*>(text.utf16()),
                              static_cast<int32_t>(text.size()));
}

QString fromIcu(const icu::UnicodeString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

// White space and line breaks: the space, line and paragraph separators, the C0 controls from
// tab to carriage return, and NEL.
bool isWhitespaceOrNewline(UChar32 c) {
    if ((c >= 0x09 && c <= 0x0D) || c == 0x85) {
        return true;
    }
    const int8_t type = u_charType(c);
    return type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR;
}

bool isSpaceOrTab(UChar32 c) {
    return c == 0x20 || c == 0x09;
}

template <typename Predicate>
icu::UnicodeString trimmed(const icu::UnicodeString& text, Predicate trim) {
    int32_t start = 0;
    int32_t end = text.length();
    while (start < end) {
        const UChar32 c = text.char32At(start);
        if (!trim(c)) {
            break;
        }
        start += U16_LENGTH(c);
    }
    while (end > start) {
        const UChar32 c = text.char32At(end - 1);
        if (!trim(c)) {
            break;
        }
        end -= U16_LENGTH(c);
    }
    return icu::UnicodeString(text, start, end - start); // a copy, never an alias of `text`
}

// Upper-cases the first user-perceived character (which may grow, "ß" becomes "SS") and keeps the
// rest as it is. One grapheme iterator serves a whole transform; each word would be slow.
class FirstCharacterUpper {
public:
    FirstCharacterUpper() {
        UErrorCode status = U_ZERO_ERROR;
        graphemes_.reset(icu::BreakIterator::createCharacterInstance(rootLocale(), status));
        if (U_FAILURE(status)) {
            graphemes_.reset();
        }
    }

    icu::UnicodeString operator()(const icu::UnicodeString& text) const {
        if (text.isEmpty()) {
            return text;
        }
        int32_t firstEnd = text.moveIndex32(0, 1);
        if (graphemes_ != nullptr) {
            graphemes_->setText(text);
            const int32_t next = graphemes_->following(0);
            if (next != icu::BreakIterator::DONE) {
                firstEnd = next;
            }
        }
        icu::UnicodeString first(text, 0, firstEnd);
        first.toUpper(rootLocale());
        return first.append(text.tempSubString(firstEnd));
    }

private:
    std::unique_ptr<icu::BreakIterator> graphemes_;
};

icu::UnicodeString lowered(icu::UnicodeString text) {
    return text.toLower(rootLocale());
}

icu::UnicodeString uppered(icu::UnicodeString text) {
    return text.toUpper(rootLocale());
}

// Backslash before every ASCII character that could mean something in a pattern, so the words
// of the filler table are matched literally.
icu::UnicodeString escapedPattern(const QString& literal) {
    QString escaped;
    for (const QChar ch : literal) {
        const char16_t u = ch.unicode();
        const bool asciiPunctuation = u < 0x80 && u != u' ' && !ch.isLetterOrNumber();
        if (asciiPunctuation) {
            escaped += QLatin1Char('\\');
        }
        escaped += ch;
    }
    return toIcu(escaped);
}

// Every match of `pattern` in `text` replaced by `replacement`; none when the pattern does not
// compile or the replacement fails, so the caller keeps the text it had.
std::optional<icu::UnicodeString> replacingAll(const icu::UnicodeString& text,
                                               const icu::UnicodeString& pattern, uint32_t flags,
                                               const icu::UnicodeString& replacement) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError;
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(pattern, flags, parseError, status));
    if (U_FAILURE(status) || compiled == nullptr) {
        return std::nullopt;
    }
    std::unique_ptr<icu::RegexMatcher> matcher(compiled->matcher(text, status));
    if (U_FAILURE(status) || matcher == nullptr) {
        return std::nullopt;
    }
    icu::UnicodeString result = matcher->replaceAll(replacement, status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    return result;
}

QString bulletList(const QString& text) {
    QStringList lines = sentences(text);
    for (QString& line : lines) {
        line.prepend(QStringLiteral(u"\u2022 "));
    }
    return lines.join(QLatin1Char('\n'));
}

QString removeFillers(const QString& text) {
    icu::UnicodeString current = toIcu(text);
    for (const QString& filler : fillerWords()) {
        const icu::UnicodeString pattern = icu::UnicodeString(u"\\b") + escapedPattern(filler) +
                                           icu::UnicodeString(u"\\b[,]?\\s*");
        if (auto replaced = replacingAll(current, pattern, UREGEX_CASE_INSENSITIVE, {})) {
            current = std::move(*replaced);
        }
    }
    if (auto collapsed = replacingAll(current, icu::UnicodeString(u"\\s+"), 0, u" ")) {
        current = std::move(*collapsed);
    }
    current = trimmed(current, isSpaceOrTab);
    if (current.isEmpty()) {
        return {};
    }
    return fromIcu(FirstCharacterUpper()(current));
}

QString sentenceCase(const QString& text) {
    const FirstCharacterUpper upperFirst;
    QStringList result;
    for (const QString& sentence : sentences(text)) {
        result << fromIcu(upperFirst(lowered(toIcu(sentence))));
    }
    return result.join(QLatin1Char(' '));
}

QString titleCase(const QString& text) {
    const FirstCharacterUpper upperFirst;
    QStringList words = fromIcu(lowered(toIcu(text))).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (i == 0 || !titleCaseSmallWords().contains(words[i])) {
            words[i] = fromIcu(upperFirst(toIcu(words[i])));
        }
    }
    return words.join(QLatin1Char(' '));
}

} // namespace

const QStringList& fillerWords() {
    static const QStringList words = {
        QStringLiteral("um"),      QStringLiteral("uh"),       QStringLiteral("erm"),
        QStringLiteral("ah"),      QStringLiteral("you know"), QStringLiteral("i mean"),
        QStringLiteral("sort of"), QStringLiteral("kind of"),  QStringLiteral("you see"),
    };
    return words;
}

const QStringList& titleCaseSmallWords() {
    static const QStringList words = {
        QStringLiteral("a"),   QStringLiteral("an"),  QStringLiteral("and"),  QStringLiteral("as"),
        QStringLiteral("at"),  QStringLiteral("but"), QStringLiteral("by"),   QStringLiteral("for"),
        QStringLiteral("in"),  QStringLiteral("of"),  QStringLiteral("on"),   QStringLiteral("or"),
        QStringLiteral("the"), QStringLiteral("to"),  QStringLiteral("with"),
    };
    return words;
}

QStringList sentences(const QString& text) {
    const icu::UnicodeString whole = toIcu(text);
    QStringList result;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> boundaries(
        icu::BreakIterator::createSentenceInstance(rootLocale(), status));
    if (U_SUCCESS(status) && boundaries != nullptr) {
        boundaries->setText(whole);
        int32_t start = boundaries->first();
        for (int32_t end = boundaries->next(); end != icu::BreakIterator::DONE;
             start = end, end = boundaries->next()) {
            const icu::UnicodeString sentence =
                trimmed(whole.tempSubStringBetween(start, end), isWhitespaceOrNewline);
            if (!sentence.isEmpty()) {
                result << fromIcu(sentence);
            }
        }
    }
    if (result.isEmpty()) {
        result << text;
    }
    return result;
}

QString apply(TransformKind kind, const QString& text) {
    switch (kind) {
    case TransformKind::bulletList:
        return bulletList(text);
    case TransformKind::removeFillers:
        return removeFillers(text);
    case TransformKind::sentenceCase:
        return sentenceCase(text);
    case TransformKind::titleCase:
        return titleCase(text);
    case TransformKind::upperCase:
        return fromIcu(uppered(toIcu(text)));
    case TransformKind::lowerCase:
        return fromIcu(lowered(toIcu(text)));
    case TransformKind::ai:
        break;
    }
    return text;
}

} // namespace tavik::local_transforms
