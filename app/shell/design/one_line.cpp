#include "app/shell/design/one_line.h"

#include <QLineEdit>
#include <QValidator>

#include <limits>

namespace tavik::design {

namespace {

// The mandatory breaks of Unicode's line breaking rules, and the tab.
bool breaksTheLine(QChar c) {
    switch (c.unicode()) {
    case u'\t':
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case 0x0085: // next line
    case 0x2028: // line separator
    case 0x2029: // paragraph separator
        return true;
    default:
        return false;
    }
}

// A validator is the one road every change of a QLineEdit's text takes (typing, paste, drop,
// input method, setText), and what it changes is what textEdited and text() then report.
class OneLineValidator final : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override {
        input = onOneLine(input, &pos);
        return Acceptable;
    }
};

} // namespace

QString onOneLine(const QString& text, int* cursor) {
    qsizetype first = 0;
    while (first < text.size() && !breaksTheLine(text[first])) {
        ++first;
    }
    if (first == text.size()) {
        return text;
    }
    QString result;
    result.reserve(text.size());
    result.append(QStringView(text).left(first));
    const int from = cursor != nullptr ? *cursor : -1;
    for (qsizetype i = first; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!breaksTheLine(c)) {
            result.append(c);
            continue;
        }
        result.append(QLatin1Char(' '));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            // The pair becomes one space: a cursor after its CR comes back by the character
            // that went.
            if (cursor != nullptr && from > i) {
                --*cursor;
            }
            ++i;
        }
    }
    return result;
}

void keepOnOneLine(QLineEdit& edit) {
    edit.setValidator(new OneLineValidator(&edit));
    edit.setMaxLength(std::numeric_limits<int>::max());
}

} // namespace tavik::design
