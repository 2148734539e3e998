#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace tavik::platform {

// A character range in an accessible text, in the toolkit's own offsets (AT-SPI counts code
// points). Only ever handed back to the same element.
struct TextSpan {
    int start = 0;
    int end = 0;
    int length() const { return end - start; }
};

// Whether an element takes text. An application that did not answer in time has said nothing
// about itself: that is `noAnswer`, never `notEditable`. Nor does a menu that holds the focus
// (`menuFocused`): a key released alone opens many applications' menu bars, the shortcut's own
// key among them, and the menu stands for a moment in front of the field the person chose.
enum class Editability { editable, notEditable, noAnswer, menuFocused };

// The focused text element of another application, as the accessibility interface shows it.
// Every call is one bounded round trip to that application; a failed call answers "none"/false.
class AccessibleText {
public:
    virtual ~AccessibleText() = default;

    // Editable text whose content may be written (not read-only).
    virtual Editability editability() = 0;
    bool writable() { return editability() == Editability::editable; }
    virtual bool isPassword() = 0;
    virtual std::optional<int> characterCount() = 0;
    // The first selection; an empty optional when the call fails, a zero-length span at the
    // caret is never reported (no selection gives a span with start == end == -1).
    virtual std::optional<TextSpan> selection() = 0;
    virtual std::optional<int> caretOffset() = 0;
    virtual std::optional<QString> text(int start, int end) = 0;
    virtual bool insertText(int offset, const QString& text) = 0;
    virtual bool deleteText(int start, int end) = 0;
    virtual bool sameElement(const AccessibleText& other) const = 0;
};

class Accessibility {
public:
    virtual ~Accessibility() = default;

    // The accessibility bus answers and accessibility is switched on.
    virtual bool trusted() = 0;
    // What trusted() says, cheaply enough for the start of every dictation: a true answer
    // stands until the desktop announces that its accessibility switch moved.
    virtual bool stillTrusted() { return trusted(); }
    // Asks the desktop to switch accessibility on, so toolkits start exporting their widgets.
    virtual void requestEnabled() = 0;
    // The focused element of the application with process id `frontmostPid`, or none. Our own
    // process never has one (our own bridge would have to answer on the blocked main thread).
    // None is no verdict on the application: it may not have answered in time, have no active
    // window or nothing focused yet, or not be on the accessibility bus (yet).
    virtual std::unique_ptr<AccessibleText> focusedElement(qint64 frontmostPid) = 0;
    // Asks the application with process id `pid` to show the accessibility bus what its windows
    // hold. Chromium and the programs built on it (Chrome, Electron applications) show only
    // their window frames until a client reads from them, and a page's fields follow a moment
    // later (seconds for a long page): ask as soon as the window comes to the front. Applications
    // that show everything from the start are not changed by it.
    virtual void exposeContent(qint64 pid) { (void)pid; }

    static Accessibility& system();
};

} // namespace tavik::platform
