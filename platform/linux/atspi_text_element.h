#pragma once

#include "platform/accessibility.h"

#include <atspi/atspi.h>

namespace tavik::platform::atspi {

// Every call to another application waits at most this long for its answer.
inline constexpr int callTimeoutMs = 300;

// One accessible object of another application, held by reference; its Text and
// EditableText interfaces answer the element's questions.
class TextElement final : public AccessibleText {
public:
    explicit TextElement(AtspiAccessible* object); // takes a new reference
    ~TextElement() override;
    TextElement(const TextElement&) = delete;
    TextElement& operator=(const TextElement&) = delete;

    Editability editability() override;
    bool isPassword() override;
    std::optional<int> characterCount() override;
    std::optional<TextSpan> selection() override;
    std::optional<int> caretOffset() override;
    std::optional<QString> text(int start, int end) override;
    bool insertText(int offset, const QString& text) override;
    bool deleteText(int start, int end) override;
    bool sameElement(const AccessibleText& other) const override;

    AtspiAccessible* object() const { return object_; }

private:
    AtspiText* textInterface();
    bool isMenu();
    bool countsUtf16();

    AtspiAccessible* object_;
    std::optional<bool> toolkitIsQt_;
};

// Whether `object` is in `state` right now, asked of its application; none when it did not
// answer.
std::optional<bool> stateOf(AtspiAccessible* object, AtspiStateType state);
// Whether `object` has the keyboard focus. Firefox leaves the item of its menu bar focused once
// the bar is hidden again (Escape): a menu that no longer shows holds no focus.
bool holdsFocus(AtspiAccessible* object);

// Whether the two stand for one object of one application.
bool sameObject(AtspiAccessible* one, AtspiAccessible* other);

} // namespace tavik::platform::atspi
