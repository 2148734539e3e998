#include "platform/linux/atspi_text_element.h"

#include <cstring>

namespace tavik::platform::atspi {
namespace {

// Every failed AT-SPI call leaves a GError behind; this frees it and says whether there was one.
class CallError {
public:
    CallError() = default;
    ~CallError() { clear(); }
    CallError(const CallError&) = delete;
    CallError& operator=(const CallError&) = delete;

    GError** out() {
        clear();
        return &error_;
    }
    bool failed() const { return error_ != nullptr; }

private:
    void clear() {
        if (error_ != nullptr) {
            g_error_free(error_);
            error_ = nullptr;
        }
    }
    GError* error_ = nullptr;
};

} // namespace

bool hasState(AtspiAccessible* object, AtspiStateType state) {
    AtspiStateSet* states = atspi_accessible_get_state_set(object);
    if (states == nullptr) {
        return false;
    }
    const bool contains = atspi_state_set_contains(states, state) != FALSE;
    g_object_unref(states);
    return contains;
}

TextElement::TextElement(AtspiAccessible* object)
    : object_(static_cast<AtspiAccessible*>(g_object_ref(object))) {}

TextElement::~TextElement() {
    g_object_unref(object_);
}

AtspiText* TextElement::textInterface() {
    AtspiText* text = atspi_accessible_get_text_iface(object_);
    if (text != nullptr) {
        g_object_unref(text); // the interface is the object itself; we hold that already
    }
    return text;
}

bool TextElement::writable() {
    AtspiEditableText* editable = atspi_accessible_get_editable_text_iface(object_);
    if (editable == nullptr) {
        return false;
    }
    g_object_unref(editable);
    if (textInterface() == nullptr) {
        return false;
    }
    AtspiStateSet* states = atspi_accessible_get_state_set(object_);
    if (states == nullptr) {
        return false;
    }
    const bool writable = atspi_state_set_contains(states, ATSPI_STATE_EDITABLE) != FALSE &&
                          atspi_state_set_contains(states, ATSPI_STATE_READ_ONLY) == FALSE &&
                          atspi_state_set_contains(states, ATSPI_STATE_DEFUNCT) == FALSE;
    g_object_unref(states);
    return writable;
}

bool TextElement::isPassword() {
    CallError error;
    const AtspiRole role = atspi_accessible_get_role(object_, error.out());
    return !error.failed() && role == ATSPI_ROLE_PASSWORD_TEXT;
}

std::optional<int> TextElement::characterCount() {
    AtspiText* text = textInterface();
    if (text == nullptr) {
        return std::nullopt;
    }
    CallError error;
    const gint count = atspi_text_get_character_count(text, error.out());
    if (error.failed() || count < 0) {
        return std::nullopt;
    }
    return count;
}

std::optional<TextSpan> TextElement::selection() {
    AtspiText* text = textInterface();
    if (text == nullptr) {
        return std::nullopt;
    }
    CallError error;
    const gint selections = atspi_text_get_n_selections(text, error.out());
    if (error.failed()) {
        return std::nullopt;
    }
    if (selections <= 0) {
        return TextSpan{-1, -1};
    }
    AtspiRange* range = atspi_text_get_selection(text, 0, error.out());
    if (error.failed() || range == nullptr) {
        g_free(range);
        return std::nullopt;
    }
    TextSpan span{std::min(range->start_offset, range->end_offset),
                  std::max(range->start_offset, range->end_offset)};
    g_free(range);
    if (span.start < 0 || span.length() == 0) {
        return TextSpan{-1, -1};
    }
    return span;
}

std::optional<int> TextElement::caretOffset() {
    AtspiText* text = textInterface();
    if (text == nullptr) {
        return std::nullopt;
    }
    CallError error;
    const gint caret = atspi_text_get_caret_offset(text, error.out());
    if (error.failed()) {
        return std::nullopt;
    }
    return caret;
}

std::optional<QString> TextElement::text(int start, int end) {
    AtspiText* text = textInterface();
    if (text == nullptr || start < 0 || end < start) {
        return std::nullopt;
    }
    CallError error;
    gchar* chars = atspi_text_get_text(text, start, end, error.out());
    if (error.failed() || chars == nullptr) {
        g_free(chars);
        return std::nullopt;
    }
    QString result = QString::fromUtf8(chars);
    g_free(chars);
    return result;
}

bool TextElement::insertText(int offset, const QString& text) {
    AtspiEditableText* editable = atspi_accessible_get_editable_text_iface(object_);
    if (editable == nullptr) {
        return false;
    }
    const QByteArray utf8 = text.toUtf8();
    // The length means different things to different toolkits: GTK reads that many bytes, Qt
    // resizes the text to that many UTF-16 units (padding it with garbage when too long).
    const gint length = static_cast<gint>(countsUtf16() ? text.size() : utf8.size());
    CallError error;
    const gboolean ok =
        atspi_editable_text_insert_text(editable, offset, utf8.constData(), length, error.out());
    g_object_unref(editable);
    return !error.failed() && ok != FALSE;
}

bool TextElement::countsUtf16() {
    if (!toolkitIsQt_) {
        // Only the application object answers for its toolkit.
        CallError error;
        AtspiAccessible* application = atspi_accessible_get_application(object_, error.out());
        gchar* name = nullptr;
        if (!error.failed() && application != nullptr) {
            name = atspi_accessible_get_toolkit_name(application, error.out());
        }
        toolkitIsQt_ = !error.failed() && name != nullptr && std::strcmp(name, "Qt") == 0;
        g_free(name);
        if (application != nullptr) {
            g_object_unref(application);
        }
    }
    return *toolkitIsQt_;
}

bool TextElement::deleteText(int start, int end) {
    AtspiEditableText* editable = atspi_accessible_get_editable_text_iface(object_);
    if (editable == nullptr) {
        return false;
    }
    CallError error;
    const gboolean ok = atspi_editable_text_delete_text(editable, start, end, error.out());
    g_object_unref(editable);
    return !error.failed() && ok != FALSE;
}

bool TextElement::sameElement(const AccessibleText& other) const {
    const auto* element = dynamic_cast<const TextElement*>(&other);
    if (element == nullptr) {
        return false;
    }
    if (element->object_ == object_) {
        return true;
    }
    const AtspiObject* a = ATSPI_OBJECT(object_);
    const AtspiObject* b = ATSPI_OBJECT(element->object_);
    return a->app != nullptr && b->app != nullptr && a->path != nullptr && b->path != nullptr &&
           std::strcmp(a->path, b->path) == 0 &&
           std::strcmp(a->app->bus_name, b->app->bus_name) == 0;
}

} // namespace tavik::platform::atspi
