#include "platform/linux/atspi_accessibility.h"

#include "platform/linux/atspi_text_element.h"

#include <dbus/dbus.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace tavik::platform::atspi {
namespace {

constexpr char busName[] = "org.a11y.Bus";
constexpr char busPath[] = "/org/a11y/bus";
constexpr char statusInterface[] = "org.a11y.Status";

std::optional<qint64> processOf(AtspiAccessible* object) {
    GError* error = nullptr;
    const guint pid = atspi_accessible_get_process_id(object, &error);
    if (error != nullptr) {
        g_error_free(error);
        return std::nullopt;
    }
    return static_cast<qint64>(pid);
}

int childCount(AtspiAccessible* object) {
    GError* error = nullptr;
    const gint count = atspi_accessible_get_child_count(object, &error);
    if (error != nullptr) {
        g_error_free(error);
        return -1;
    }
    return count;
}

AtspiAccessible* childAt(AtspiAccessible* object, int index) {
    GError* error = nullptr;
    AtspiAccessible* child = atspi_accessible_get_child_at_index(object, index, &error);
    if (error != nullptr) {
        g_error_free(error);
        if (child != nullptr) {
            g_object_unref(child);
        }
        return nullptr;
    }
    return child;
}

// Chromium and the programs built on it build the accessible tree of their pages only once a
// client reads from the application; the attributes of its root are the cheapest such read.
void readAttributes(AtspiAccessible* application) {
    GError* error = nullptr;
    GHashTable* attributes = atspi_accessible_get_attributes(application, &error);
    if (error != nullptr) {
        g_error_free(error);
    }
    if (attributes != nullptr) {
        g_hash_table_unref(attributes);
    }
}

AtspiAccessible* parentOf(AtspiAccessible* object) {
    GError* error = nullptr;
    AtspiAccessible* parent = atspi_accessible_get_parent(object, &error);
    if (error != nullptr) {
        g_error_free(error);
        if (parent != nullptr) {
            g_object_unref(parent);
        }
        return nullptr;
    }
    return parent;
}

// Whether `object` lies somewhere inside `container`.
bool contains(AtspiAccessible* container, AtspiAccessible* object) {
    constexpr int deepestNesting = 64;
    AtspiAccessible* current = parentOf(object);
    for (int level = 0; current != nullptr && level < deepestNesting; ++level) {
        if (sameObject(current, container)) {
            g_object_unref(current);
            return true;
        }
        AtspiAccessible* next = parentOf(current);
        g_object_unref(current);
        current = next;
    }
    if (current != nullptr) {
        g_object_unref(current);
    }
    return false;
}

// Of several objects that each say they are focused, newest first: the newest, unless another
// lies inside it. A document window keeps its focus while the paragraph in it has the caret,
// and it may name itself focused last.
AtspiAccessible* innermost(const std::vector<AtspiAccessible*>& focused) {
    AtspiAccessible* chosen = focused.front();
    for (AtspiAccessible* other : focused) {
        if (other != chosen && contains(chosen, other)) {
            chosen = other;
        }
    }
    return chosen;
}

void unrefAll(std::vector<AtspiAccessible*>& objects) {
    for (AtspiAccessible* object : objects) {
        g_object_unref(object);
    }
    objects.clear();
}

// The application's own answer: the objects in `window` that are focused, in the order of the
// tree. One round trip, the application walking its own tree; none when it cannot search. One
// that can but does not answer in time gets no slower search behind it: nothing is found.
std::optional<std::vector<AtspiAccessible*>> focusedInside(AtspiAccessible* window) {
    AtspiCollection* collection = atspi_accessible_get_collection_iface(window);
    if (collection == nullptr) {
        return std::nullopt;
    }
    AtspiStateSet* states = atspi_state_set_new(nullptr);
    atspi_state_set_add(states, ATSPI_STATE_FOCUSED);
    AtspiMatchRule* rule = atspi_match_rule_new(
        states, ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_NONE, nullptr,
        ATSPI_Collection_MATCH_NONE, nullptr, ATSPI_Collection_MATCH_NONE, FALSE);
    GError* error = nullptr;
    GArray* matches = atspi_collection_get_matches(
        collection, rule, ATSPI_Collection_SORT_ORDER_CANONICAL, 0, TRUE, &error);
    g_object_unref(rule);
    g_object_unref(states);
    g_object_unref(collection);
    std::vector<AtspiAccessible*> found;
    for (guint i = 0; matches != nullptr && i < matches->len; ++i) {
        found.push_back(g_array_index(matches, AtspiAccessible*, i));
    }
    if (matches != nullptr) {
        g_array_free(matches, TRUE);
    }
    if (error != nullptr) {
        g_error_free(error);
        unrefAll(found);
    }
    return found;
}

} // namespace

AtspiAccessibility::AtspiAccessibility() = default;

AtspiAccessibility::~AtspiAccessibility() {
    forgetFocus();
    if (listener_ != nullptr) {
        atspi_event_listener_deregister(listener_, "object:state-changed:focused", nullptr);
        g_object_unref(listener_);
    }
    if (sessionBus_ != nullptr) {
        dbus_connection_close(sessionBus_);
        dbus_connection_unref(sessionBus_);
    }
}

bool AtspiAccessibility::connect() {
    if (initialised_) {
        return true;
    }
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
        qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        return false; // no session bus to find the accessibility bus on
    }
    const int status = atspi_init();
    if (status != 0 && status != 1) {
        return false;
    }
    initialised_ = true;
    atspi_set_timeout(callTimeoutMs, callTimeoutMs * 4);
    listener_ = atspi_event_listener_new(&AtspiAccessibility::onFocusEvent, this, nullptr);
    GError* error = nullptr;
    if (atspi_event_listener_register(listener_, "object:state-changed:focused", &error) == FALSE) {
        if (error != nullptr) {
            g_error_free(error);
        }
    }
    return true;
}

// libatspi dispatches events while it waits for its own replies, so this may run inside any
// AT-SPI call: it only moves references. An object that loses the focus is kept all the same:
// toolkits announce a loss for the object before each gain they report (a window naming itself
// focused around its field), and the object's own state says whether it is still focused.
void AtspiAccessibility::onFocusEvent(AtspiEvent* event, void* self) {
    if (event->source != nullptr && event->detail1 != 0) {
        static_cast<AtspiAccessibility*>(self)->remember(event->source);
    }
    g_boxed_free(ATSPI_TYPE_EVENT, event);
}

void AtspiAccessibility::remember(AtspiAccessible* focused) {
    const auto same = std::find(focusEvents_.begin(), focusEvents_.end(), focused);
    if (same != focusEvents_.end()) {
        g_object_unref(*same);
        focusEvents_.erase(same);
    }
    focusEvents_.push_front(static_cast<AtspiAccessible*>(g_object_ref(focused)));
    if (focusEvents_.size() > std::size_t(focusHistory)) {
        g_object_unref(focusEvents_.back());
        focusEvents_.pop_back();
    }
}

void AtspiAccessibility::forgetFocus() {
    for (AtspiAccessible* object : focusEvents_) {
        g_object_unref(object);
    }
    focusEvents_.clear();
}

std::optional<bool> AtspiAccessibility::busStatusEnabled() {
    if (sessionBus_ == nullptr) {
        DBusError error;
        dbus_error_init(&error);
        sessionBus_ = dbus_bus_get_private(DBUS_BUS_SESSION, &error);
        dbus_error_free(&error);
        if (sessionBus_ == nullptr) {
            return std::nullopt;
        }
        dbus_connection_set_exit_on_disconnect(sessionBus_, FALSE);
        // Before the first question, so that no later switch goes unannounced. Not waited for:
        // the rules travel with the next call.
        dbus_bus_add_match(sessionBus_,
                           "type='signal',interface='org.freedesktop.DBus.Properties',"
                           "member='PropertiesChanged',path='/org/a11y/bus'",
                           nullptr);
        dbus_bus_add_match(sessionBus_,
                           "type='signal',sender='org.freedesktop.DBus',"
                           "interface='org.freedesktop.DBus',member='NameOwnerChanged',"
                           "arg0='org.a11y.Bus'",
                           nullptr);
    }
    bool anyEnabled = false;
    for (const char* property : {"IsEnabled", "ScreenReaderEnabled"}) {
        DBusMessage* call = dbus_message_new_method_call(busName, busPath,
                                                         "org.freedesktop.DBus.Properties", "Get");
        if (call == nullptr) {
            return std::nullopt;
        }
        const char* interface = statusInterface;
        dbus_message_append_args(call, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &property,
                                 DBUS_TYPE_INVALID);
        DBusError error;
        dbus_error_init(&error);
        DBusMessage* reply =
            dbus_connection_send_with_reply_and_block(sessionBus_, call, callTimeoutMs, &error);
        dbus_message_unref(call);
        dbus_error_free(&error);
        if (reply == nullptr) {
            return std::nullopt;
        }
        DBusMessageIter iter;
        DBusMessageIter variant;
        dbus_bool_t value = FALSE;
        if (dbus_message_iter_init(reply, &iter) &&
            dbus_message_iter_get_arg_type(&iter) == DBUS_TYPE_VARIANT) {
            dbus_message_iter_recurse(&iter, &variant);
            if (dbus_message_iter_get_arg_type(&variant) == DBUS_TYPE_BOOLEAN) {
                dbus_message_iter_get_basic(&variant, &value);
            }
        }
        dbus_message_unref(reply);
        anyEnabled = anyEnabled || value != FALSE;
    }
    return anyEnabled;
}

bool AtspiAccessibility::trusted() {
    const std::optional<bool> enabled = busStatusEnabled();
    if (!enabled || !*enabled || !connect()) {
        return false;
    }
    AtspiAccessible* desktop = atspi_get_desktop(0);
    if (desktop == nullptr) {
        return false;
    }
    const bool answers = childCount(desktop) >= 0;
    g_object_unref(desktop);
    return answers;
}

bool AtspiAccessibility::stillTrusted() {
    // Asking is three round trips over two buses, in the way of every dictation's start.
    if (trustSeen_ && !switchAnnounced()) {
        return true;
    }
    trustSeen_ = trusted();
    return trustSeen_;
}

bool AtspiAccessibility::switchAnnounced() {
    if (sessionBus_ == nullptr || !dbus_connection_get_is_connected(sessionBus_)) {
        return true;
    }
    dbus_connection_read_write(sessionBus_, 0);
    bool announced = false;
    while (DBusMessage* message = dbus_connection_pop_message(sessionBus_)) {
        if (dbus_message_is_signal(message, "org.freedesktop.DBus.Properties",
                                   "PropertiesChanged") &&
            dbus_message_has_path(message, busPath)) {
            announced = true;
        } else if (dbus_message_is_signal(message, "org.freedesktop.DBus", "NameOwnerChanged")) {
            const char* name = nullptr;
            if (dbus_message_get_args(message, nullptr, DBUS_TYPE_STRING, &name,
                                      DBUS_TYPE_INVALID) &&
                name != nullptr && std::string_view(name) == busName) {
                announced = true;
            }
        }
        dbus_message_unref(message);
    }
    return announced;
}

void AtspiAccessibility::requestEnabled() {
    if (!busStatusEnabled().has_value()) {
        return;
    }
    DBusMessage* call =
        dbus_message_new_method_call(busName, busPath, "org.freedesktop.DBus.Properties", "Set");
    if (call == nullptr) {
        return;
    }
    const char* interface = statusInterface;
    const char* property = "IsEnabled";
    DBusMessageIter iter;
    DBusMessageIter variant;
    dbus_message_iter_init_append(call, &iter);
    dbus_message_iter_append_basic(&iter, DBUS_TYPE_STRING, &interface);
    dbus_message_iter_append_basic(&iter, DBUS_TYPE_STRING, &property);
    dbus_message_iter_open_container(&iter, DBUS_TYPE_VARIANT, DBUS_TYPE_BOOLEAN_AS_STRING,
                                     &variant);
    const dbus_bool_t on = TRUE;
    dbus_message_iter_append_basic(&variant, DBUS_TYPE_BOOLEAN, &on);
    dbus_message_iter_close_container(&iter, &variant);
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply =
        dbus_connection_send_with_reply_and_block(sessionBus_, call, callTimeoutMs, &error);
    dbus_message_unref(call);
    dbus_error_free(&error);
    if (reply != nullptr) {
        dbus_message_unref(reply);
    }
}

// Of the objects the latest focus events named, those of the process that are focused now; the
// innermost of them (a new reference), or null.
AtspiAccessible* AtspiAccessibility::recentlyFocused(qint64 pid) {
    // A reference each, so an event dispatched during a call below cannot free one.
    std::vector<AtspiAccessible*> candidates;
    for (AtspiAccessible* object : focusEvents_) {
        candidates.push_back(static_cast<AtspiAccessible*>(g_object_ref(object)));
    }
    // Nothing lies inside an object without children (a paragraph, a field): the others need
    // not be asked.
    std::vector<AtspiAccessible*> focused;
    for (AtspiAccessible* object : candidates) {
        if (processOf(object) == pid && holdsFocus(object)) {
            focused.push_back(object);
            if (focused.size() == 1 && childCount(object) == 0) {
                break;
            }
        }
    }
    AtspiAccessible* found =
        focused.empty() ? nullptr : static_cast<AtspiAccessible*>(g_object_ref(innermost(focused)));
    unrefAll(candidates);
    return found;
}

// The process's application on the bus (a new reference), or none.
AtspiAccessible* AtspiAccessibility::applicationOf(qint64 pid) {
    AtspiAccessible* desktop = atspi_get_desktop(0);
    if (desktop == nullptr) {
        return nullptr;
    }
    AtspiAccessible* application = nullptr;
    const int applications = childCount(desktop);
    for (int i = 0; i < applications && application == nullptr; ++i) {
        AtspiAccessible* candidate = childAt(desktop, i);
        if (candidate == nullptr) {
            continue;
        }
        if (processOf(candidate) == pid) {
            application = candidate;
        } else {
            g_object_unref(candidate);
        }
    }
    g_object_unref(desktop);
    return application;
}

void AtspiAccessibility::exposeContent(qint64 pid) {
    if (pid <= 0 || pid == static_cast<qint64>(::getpid()) || !connect()) {
        return;
    }
    if (AtspiAccessible* application = applicationOf(pid)) {
        readAttributes(application);
        g_object_unref(application);
    }
}

// The focused object of the process's active window: as the application itself finds it where
// it can, else by walking the window's tree depth first with a bound.
AtspiAccessible* AtspiAccessibility::searchFocused(qint64 pid) {
    AtspiAccessible* application = applicationOf(pid);
    if (application == nullptr) {
        return nullptr;
    }
    // A browser that came to the front before its window reached the bus was never asked for
    // its page; asked now, a short page is there by the search.
    readAttributes(application);

    std::vector<AtspiAccessible*> pending;
    const int windows = childCount(application);
    for (int i = windows - 1; i >= 0; --i) {
        if (AtspiAccessible* window = childAt(application, i)) {
            if (stateOf(window, ATSPI_STATE_ACTIVE).value_or(false)) {
                pending.push_back(window);
            } else {
                g_object_unref(window);
            }
        }
    }
    g_object_unref(application);

    // In the tree's order an object's focused descendants come after it: the last is innermost.
    bool answered = false;
    for (auto window = pending.rbegin(); window != pending.rend(); ++window) {
        if (auto focused = focusedInside(*window)) {
            answered = true;
            // A menu hidden again may still say it is focused (Firefox's menu bar item).
            AtspiAccessible* found = nullptr;
            for (auto match = focused->rbegin(); match != focused->rend() && !found; ++match) {
                if (holdsFocus(*match)) {
                    found = static_cast<AtspiAccessible*>(g_object_ref(*match));
                }
            }
            unrefAll(*focused);
            if (found != nullptr) {
                unrefAll(pending);
                return found;
            }
        }
    }
    if (answered) {
        unrefAll(pending);
        return nullptr;
    }

    // Inside a focused object a more deeply focused one is looked for before settling on it.
    AtspiAccessible* found = nullptr;
    int visited = 0;
    while (!pending.empty() && visited < searchLimit) {
        AtspiAccessible* object = pending.back();
        pending.pop_back();
        ++visited;
        if (holdsFocus(object)) {
            if (found != nullptr) {
                g_object_unref(found);
            }
            found = static_cast<AtspiAccessible*>(g_object_ref(object));
            unrefAll(pending);
        }
        const int children = childCount(object);
        // A huge container (a table of many rows) is looked into only as far as the bound.
        for (int i = std::min(children, searchLimit) - 1; i >= 0; --i) {
            if (AtspiAccessible* child = childAt(object, i)) {
                pending.push_back(child);
            }
        }
        g_object_unref(object);
    }
    unrefAll(pending);
    return found;
}

std::unique_ptr<AccessibleText> AtspiAccessibility::focusedElement(qint64 frontmostPid) {
    // Without the frontmost process nothing tells a stale focus from a live one; our own
    // process would have to answer on the thread that is asking.
    if (frontmostPid <= 0 || frontmostPid == static_cast<qint64>(::getpid()) || !connect()) {
        return nullptr;
    }
    AtspiAccessible* found = recentlyFocused(frontmostPid);
    if (found == nullptr) {
        found = searchFocused(frontmostPid);
        if (found == nullptr) {
            return nullptr;
        }
        // Kept as a focus event would be, so the next question (the same dictation asks
        // several) does not search again while it stays focused.
        remember(found);
    }
    auto element = std::make_unique<TextElement>(found);
    g_object_unref(found);
    return element;
}

} // namespace tavik::platform::atspi

namespace tavik::platform {

Accessibility& Accessibility::system() {
    static auto* accessibility = new atspi::AtspiAccessibility(); // lives to process end
    return *accessibility;
}

} // namespace tavik::platform
