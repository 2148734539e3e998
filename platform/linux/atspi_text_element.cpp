#include "platform/linux/atspi_text_element.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

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

constexpr char accessibleInterface[] = "org.a11y.atspi.Accessible";

// One question to the object's own application, asked directly: libatspi answers "nothing" both
// when the application says so and when it does not reply, and only the first is an answer.
// The reply, or null when none came in time.
DBusMessage* ask(AtspiAccessible* object, const char* method) {
    const AtspiObject* target = ATSPI_OBJECT(object);
    if (target->app == nullptr || target->app->bus == nullptr || target->app->bus_name == nullptr ||
        target->path == nullptr) {
        return nullptr;
    }
    DBusMessage* call = dbus_message_new_method_call(target->app->bus_name, target->path,
                                                     accessibleInterface, method);
    if (call == nullptr) {
        return nullptr;
    }
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply =
        dbus_connection_send_with_reply_and_block(target->app->bus, call, callTimeoutMs, &error);
    dbus_message_unref(call);
    dbus_error_free(&error);
    return reply;
}

// The object's states as the two 32-bit words AT-SPI sends; none without an answer.
std::optional<std::uint64_t> statesOf(AtspiAccessible* object) {
    DBusMessage* reply = ask(object, "GetState");
    if (reply == nullptr) {
        return std::nullopt;
    }
    std::optional<std::uint64_t> bits;
    DBusMessageIter iter;
    DBusMessageIter words;
    if (dbus_message_iter_init(reply, &iter) &&
        dbus_message_iter_get_arg_type(&iter) == DBUS_TYPE_ARRAY &&
        dbus_message_iter_get_element_type(&iter) == DBUS_TYPE_UINT32) {
        dbus_message_iter_recurse(&iter, &words);
        std::uint64_t value = 0;
        for (int word = 0; word < 2 && dbus_message_iter_get_arg_type(&words) == DBUS_TYPE_UINT32;
             ++word) {
            dbus_uint32_t part = 0;
            dbus_message_iter_get_basic(&words, &part);
            value |= std::uint64_t(part) << (32 * word);
            dbus_message_iter_next(&words);
        }
        bits = value;
    }
    dbus_message_unref(reply);
    return bits;
}

// The names of the interfaces the object offers; none without an answer.
std::optional<std::vector<std::string>> interfacesOf(AtspiAccessible* object) {
    DBusMessage* reply = ask(object, "GetInterfaces");
    if (reply == nullptr) {
        return std::nullopt;
    }
    std::optional<std::vector<std::string>> names;
    DBusMessageIter iter;
    DBusMessageIter items;
    if (dbus_message_iter_init(reply, &iter) &&
        dbus_message_iter_get_arg_type(&iter) == DBUS_TYPE_ARRAY &&
        dbus_message_iter_get_element_type(&iter) == DBUS_TYPE_STRING) {
        names.emplace();
        dbus_message_iter_recurse(&iter, &items);
        while (dbus_message_iter_get_arg_type(&items) == DBUS_TYPE_STRING) {
            const char* name = nullptr;
            dbus_message_iter_get_basic(&items, &name);
            names->emplace_back(name);
            dbus_message_iter_next(&items);
        }
    }
    dbus_message_unref(reply);
    return names;
}

bool contains(std::uint64_t states, AtspiStateType state) {
    return state < 64 && (states >> state & 1u) != 0;
}

} // namespace

std::optional<bool> stateOf(AtspiAccessible* object, AtspiStateType state) {
    const std::optional<std::uint64_t> states = statesOf(object);
    if (!states) {
        return std::nullopt;
    }
    return contains(*states, state);
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

Editability TextElement::editability() {
    const auto interfaces = interfacesOf(object_);
    if (!interfaces) {
        return Editability::noAnswer;
    }
    const auto offers = [&](std::string_view name) {
        return std::find(interfaces->begin(), interfaces->end(), name) != interfaces->end();
    };
    if (!offers("org.a11y.atspi.EditableText") || !offers("org.a11y.atspi.Text")) {
        return isMenu() ? Editability::menuFocused : Editability::notEditable;
    }
    const std::optional<std::uint64_t> states = statesOf(object_);
    if (!states) {
        return Editability::noAnswer;
    }
    const bool writable = contains(*states, ATSPI_STATE_EDITABLE) &&
                          !contains(*states, ATSPI_STATE_READ_ONLY) &&
                          !contains(*states, ATSPI_STATE_DEFUNCT);
    return writable ? Editability::editable : Editability::notEditable;
}

namespace {

bool isMenuRole(AtspiAccessible* object) {
    CallError error;
    const AtspiRole role = atspi_accessible_get_role(object, error.out());
    if (error.failed()) {
        return false;
    }
    switch (role) {
    case ATSPI_ROLE_MENU:
    case ATSPI_ROLE_MENU_BAR:
    case ATSPI_ROLE_MENU_ITEM:
    case ATSPI_ROLE_POPUP_MENU:
    case ATSPI_ROLE_CHECK_MENU_ITEM:
    case ATSPI_ROLE_RADIO_MENU_ITEM:
    case ATSPI_ROLE_TEAROFF_MENU_ITEM:
        return true;
    default:
        return false;
    }
}

} // namespace

bool holdsFocus(AtspiAccessible* object) {
    const std::optional<std::uint64_t> states = statesOf(object);
    if (!states || !contains(*states, ATSPI_STATE_FOCUSED)) {
        return false;
    }
    return contains(*states, ATSPI_STATE_SHOWING) || !isMenuRole(object);
}

// Asked only of an element that takes no text, so a field costs no extra round trip. A role the
// application does not give in time counts as no menu: the element still takes no text.
bool TextElement::isMenu() {
    return isMenuRole(object_);
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
    return sameObject(element->object_, object_);
}

bool sameObject(AtspiAccessible* one, AtspiAccessible* other) {
    if (one == other) {
        return true;
    }
    const AtspiObject* a = ATSPI_OBJECT(one);
    const AtspiObject* b = ATSPI_OBJECT(other);
    return a->app != nullptr && b->app != nullptr && a->path != nullptr && b->path != nullptr &&
           a->app->bus_name != nullptr && b->app->bus_name != nullptr &&
           std::strcmp(a->path, b->path) == 0 &&
           std::strcmp(a->app->bus_name, b->app->bus_name) == 0;
}

} // namespace tavik::platform::atspi
