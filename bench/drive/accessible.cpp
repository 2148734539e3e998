#include "bench/drive/accessible.h"

#include <atspi/atspi.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

namespace tavik::drive {

namespace {

bool isShowing(AtspiAccessible* node) {
    AtspiStateSet* states = atspi_accessible_get_state_set(node);
    const bool showing = states != nullptr && atspi_state_set_contains(states, ATSPI_STATE_SHOWING);
    if (states != nullptr) {
        g_object_unref(states);
    }
    return showing;
}

std::string nameOf(AtspiAccessible* node) {
    gchar* name = atspi_accessible_get_name(node, nullptr);
    std::string text = name != nullptr ? name : "";
    g_free(name);
    return text;
}

bool ofKind(AtspiRole role, AccessibleApp::Kind kind) {
    switch (kind) {
    case AccessibleApp::Kind::any:
        return true;
    case AccessibleApp::Kind::button:
        return role == ATSPI_ROLE_PUSH_BUTTON || role == ATSPI_ROLE_TOGGLE_BUTTON ||
               role == ATSPI_ROLE_CHECK_BOX || role == ATSPI_ROLE_RADIO_BUTTON ||
               role == ATSPI_ROLE_PAGE_TAB;
    case AccessibleApp::Kind::text:
        return role == ATSPI_ROLE_TEXT || role == ATSPI_ROLE_ENTRY ||
               role == ATSPI_ROLE_PASSWORD_TEXT || role == ATSPI_ROLE_DOCUMENT_TEXT ||
               role == ATSPI_ROLE_EDITBAR;
    case AccessibleApp::Kind::list:
        return role == ATSPI_ROLE_LIST || role == ATSPI_ROLE_LIST_BOX;
    }
    return false;
}

// The rows of a list and the lines of a text are many and never what is looked for: the walk
// stays out of them, so it asks the program little.
bool worthEntering(AtspiRole role) {
    return role != ATSPI_ROLE_LIST && role != ATSPI_ROLE_LIST_BOX && role != ATSPI_ROLE_TABLE &&
           role != ATSPI_ROLE_TEXT && role != ATSPI_ROLE_DOCUMENT_TEXT && role != ATSPI_ROLE_MENU;
}

// Visits the showing nodes below `node` depth first until `visit` returns true; that node.
AtspiAccessible* walk(AtspiAccessible* node, int depth,
                      const std::function<bool(AtspiAccessible*, AtspiRole, int)>& visit) {
    const int count = atspi_accessible_get_child_count(node, nullptr);
    for (int i = 0; i < count && depth < 40; ++i) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(node, i, nullptr);
        if (child == nullptr) {
            continue;
        }
        const AtspiRole role = atspi_accessible_get_role(child, nullptr);
        if (isShowing(child) || role == ATSPI_ROLE_FRAME || role == ATSPI_ROLE_WINDOW) {
            if (visit(child, role, depth)) {
                return child;
            }
            if (worthEntering(role)) {
                if (AtspiAccessible* found = walk(child, depth + 1, visit)) {
                    g_object_unref(child);
                    return found;
                }
            }
        }
        g_object_unref(child);
    }
    return nullptr;
}

} // namespace

AccessibleApp::AccessibleApp(long pid, int timeoutMs) {
    atspi_init();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (app_ == nullptr && std::chrono::steady_clock::now() < deadline) {
        AtspiAccessible* desktop = atspi_get_desktop(0);
        const int count = atspi_accessible_get_child_count(desktop, nullptr);
        for (int i = 0; i < count && app_ == nullptr; ++i) {
            AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, nullptr);
            if (app != nullptr && long(atspi_accessible_get_process_id(app, nullptr)) == pid) {
                app_ = app;
            } else if (app != nullptr) {
                g_object_unref(app);
            }
        }
        g_object_unref(desktop);
        if (app_ == nullptr) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    }
}

AccessibleApp::~AccessibleApp() {
    if (app_ != nullptr) {
        g_object_unref(app_);
    }
}

std::optional<Rect> AccessibleApp::find(const std::string& name, Kind kind) {
    if (app_ == nullptr) {
        return std::nullopt;
    }
    AtspiAccessible* found = walk(app_, 0, [&](AtspiAccessible* node, AtspiRole role, int) {
        return ofKind(role, kind) && nameOf(node) == name;
    });
    if (found == nullptr) {
        return std::nullopt;
    }
    std::optional<Rect> place;
    if (AtspiComponent* component = atspi_accessible_get_component_iface(found)) {
        if (AtspiRect* r =
                atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, nullptr)) {
            place = Rect{r->x, r->y, r->width, r->height};
            g_free(r);
        }
        g_object_unref(component);
    }
    g_object_unref(found);
    return place;
}

void AccessibleApp::dump() {
    if (app_ == nullptr) {
        return;
    }
    walk(app_, 0, [](AtspiAccessible* node, AtspiRole role, int depth) {
        gchar* roleName = atspi_role_get_name(role);
        std::printf("%*s%s \"%s\"\n", depth * 2, "", roleName != nullptr ? roleName : "?",
                    nameOf(node).c_str());
        g_free(roleName);
        return false;
    });
}

} // namespace tavik::drive
