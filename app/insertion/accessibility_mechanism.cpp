#include "app/insertion/insertion_codes.h"
#include "app/insertion/insertion_ports.h"
#include "app/insertion/mechanisms.h"

#include <QTextBoundaryFinder>

#include <unicode/uchar.h>

namespace tavik {
namespace {

constexpr char16_t noSpaceAfter[] = u",.!?;:)]}";

char32_t lastCodePoint(const QString& text) {
    const auto codePoints = text.toUcs4();
    return codePoints.isEmpty() ? 0 : codePoints.back();
}

} // namespace

bool needsLeadingSpace(const QString& text, const QString& before) {
    if (text.isEmpty() || before.isEmpty()) {
        return false;
    }
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    const qsizetype firstEnd = graphemes.toNextBoundary();
    const QString first = text.left(firstEnd > 0 ? firstEnd : 1);
    if (u_isUWhiteSpace(static_cast<UChar32>(first.toUcs4().value(0))) != 0) {
        return false;
    }
    if (first.size() == 1 && std::u16string_view(noSpaceAfter).find(first.at(0).unicode()) !=
                                 std::u16string_view::npos) {
        return false;
    }
    return u_isUWhiteSpace(static_cast<UChar32>(lastCodePoint(before))) == 0;
}

std::uint32_t runAccessibility(const QString& text) {
    const InsertionPorts& ports = insertionPorts();
    const auto front = ports.frontmost->current();
    auto element = ports.accessibility->focusedElement(front ? front->pid : 0);
    // Only the application's own answer that its focused object takes no text is a verdict the
    // engine may remember. No element at all (a call that timed out, the search's bound, a
    // moment with no active window) or a menu in front of the field fails this try and teaches
    // nothing.
    if (!element) {
        return OUTCOME_FAILED;
    }
    switch (element->editability()) {
    case platform::Editability::editable:
        break;
    case platform::Editability::notEditable:
        return OUTCOME_UNSUPPORTED;
    case platform::Editability::noAnswer:
    case platform::Editability::menuFocused:
        return OUTCOME_FAILED;
    }

    // Where the text goes: over the selection, else at the caret.
    const std::optional<platform::TextSpan> selection = element->selection();
    const bool hasSelection = selection && selection->start >= 0 && selection->length() > 0;
    QString toWrite = text;
    if (!text.isEmpty()) {
        std::optional<int> location =
            hasSelection ? std::optional<int>(selection->start) : element->caretOffset();
        if (location && *location > 0) {
            const std::optional<QString> before = element->text(*location - 1, *location);
            if (before && needsLeadingSpace(text, *before)) {
                toWrite = QStringLiteral(" ") + text;
            }
        }
    }

    const std::optional<int> before = element->characterCount();
    if (hasSelection) {
        // Insert behind the selection first, then remove it: if the insert fails, the user's
        // selected text is still there.
        if (!element->insertText(selection->end, toWrite)) {
            return OUTCOME_FAILED;
        }
        element->deleteText(selection->start, selection->end);
    } else {
        const std::optional<int> caret = element->caretOffset();
        if (!caret || *caret < 0 || !element->insertText(*caret, toWrite)) {
            return OUTCOME_FAILED;
        }
    }
    if (!before) {
        return OUTCOME_SUCCEEDED;
    }
    const std::optional<int> after = element->characterCount();
    // Text that replaced a selection of its own length leaves the count as it was: that
    // proves nothing either way, so only an insertion without a selection can be judged.
    if (!text.isEmpty() && after && *after == *before && !hasSelection) {
        return OUTCOME_DISCARDED;
    }
    return OUTCOME_SUCCEEDED;
}

} // namespace tavik
