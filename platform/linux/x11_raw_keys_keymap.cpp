#include "platform/linux/x11_raw_keys_keymap.h"

// Xlib after every Qt header: its macros clash with Qt's names.
#include "platform/linux/x11_raw_keys_error_trap.h"

#include <X11/XKBlib.h>

#include <cstring>
#include <map>
#include <memory>

namespace tavik::platform::x11 {
namespace {

struct KeyboardDeleter {
    void operator()(XkbDescPtr desc) const { XkbFreeKeyboard(desc, 0, True); }
};
using Keyboard = std::unique_ptr<XkbDescRec, KeyboardDeleter>;

// XKB names are four bytes, padded with NULs when shorter.
QByteArray nameOf(const char (&name)[XkbKeyNameLength]) {
    return QByteArray(name, static_cast<int>(strnlen(name, XkbKeyNameLength)));
}

} // namespace

std::optional<KeycodeNames> resolveKeyNames(Display* display, const QList<QByteArray>& wanted) {
    ErrorTrap trap(display);
    Keyboard keyboard(XkbGetMap(display, 0, XkbUseCoreKbd));
    if (!keyboard ||
        XkbGetNames(display, XkbKeyNamesMask | XkbKeyAliasesMask, keyboard.get()) != Success) {
        trap.finish();
        return std::nullopt;
    }
    if (trap.finish() != 0 || keyboard->names == nullptr || keyboard->names->keys == nullptr) {
        return std::nullopt;
    }
    const XkbNamesRec& names = *keyboard->names;

    std::map<QByteArray, unsigned> keycodeOfName;
    for (int code = keyboard->min_key_code; code <= keyboard->max_key_code; ++code) {
        const QByteArray name = nameOf(names.keys[code].name);
        if (!name.isEmpty()) {
            keycodeOfName.emplace(name, static_cast<unsigned>(code));
        }
    }

    KeycodeNames result;
    for (const QByteArray& name : wanted) {
        auto found = keycodeOfName.find(name);
        for (int i = 0; found == keycodeOfName.end() && names.key_aliases != nullptr &&
                        i < names.num_key_aliases;
             ++i) {
            if (nameOf(names.key_aliases[i].alias) == name) {
                found = keycodeOfName.find(nameOf(names.key_aliases[i].real));
            }
        }
        if (found != keycodeOfName.end()) {
            result.emplace(found->second, name);
        }
    }
    return result;
}

} // namespace tavik::platform::x11
