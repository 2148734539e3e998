#include "platform/linux/x11_keys_keyboard.h"

#include "platform/linux/x11_keys_error_trap.h"
#include "platform/linux/x11_raw_keys_keymap.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XKBgeom.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace tavik::platform::x11 {
namespace {

struct KeyboardDeleter {
    void operator()(XkbDescPtr desc) const { XkbFreeKeyboard(desc, XkbAllComponentsMask, True); }
};
using Description = std::unique_ptr<XkbDescRec, KeyboardDeleter>;

QByteArray nameOf(const char* name) {
    return QByteArray(name, static_cast<int>(strnlen(name, XkbKeyNameLength)));
}

// The geometry names keys by their own names or by aliases of them.
std::set<KeyCode> geometryKeycodes(const XkbDescRec& desc) {
    std::set<KeyCode> codes;
    if (desc.geom == nullptr || desc.names == nullptr || desc.names->keys == nullptr) {
        return codes;
    }
    std::map<QByteArray, KeyCode> byName;
    for (int code = desc.min_key_code; code <= desc.max_key_code; ++code) {
        const QByteArray name = nameOf(desc.names->keys[code].name);
        if (!name.isEmpty()) {
            byName.emplace(name, static_cast<KeyCode>(code));
        }
    }
    const auto realName = [&](const QByteArray& name) {
        const auto lookIn = [&](const XkbKeyAliasRec* aliases, int count) -> QByteArray {
            for (int i = 0; aliases != nullptr && i < count; ++i) {
                if (nameOf(aliases[i].alias) == name) {
                    return nameOf(aliases[i].real);
                }
            }
            return {};
        };
        if (byName.count(name) != 0) {
            return name;
        }
        QByteArray real = lookIn(desc.geom->key_aliases, desc.geom->num_key_aliases);
        if (real.isEmpty()) {
            real = lookIn(desc.names->key_aliases, desc.names->num_key_aliases);
        }
        return real;
    };
    for (int s = 0; s < desc.geom->num_sections; ++s) {
        const XkbSectionRec& section = desc.geom->sections[s];
        for (int r = 0; r < section.num_rows; ++r) {
            const XkbRowRec& row = section.rows[r];
            for (int k = 0; k < row.num_keys; ++k) {
                const auto found = byName.find(realName(nameOf(row.keys[k].name.name)));
                if (found != byName.end()) {
                    codes.insert(found->second);
                }
            }
        }
    }
    return codes;
}

bool changesModifiersOrGroup(XkbDescPtr desc, int code) {
    if (XkbKeyHasActions(desc, code)) {
        const XkbAction* actions = XkbKeyActionsPtr(desc, code);
        for (int i = 0; i < XkbKeyNumActions(desc, code); ++i) {
            switch (actions[i].type) {
            case XkbSA_SetMods:
            case XkbSA_LatchMods:
            case XkbSA_SetGroup:
            case XkbSA_LatchGroup:
                return true;
            default:
                break;
            }
        }
        return false;
    }
    return false;
}

} // namespace

const QList<QByteArray>& triggerKeyNames() {
    static const QList<QByteArray> names = {"ESC",  "RALT", "LALT", "RWIN", "LWIN",
                                            "RCTL", "RTSH", "FK05", "FK13", "FK14",
                                            "FK15", "FK16", "FK17", "FK18", "FK19"};
    return names;
}

bool KeyboardMap::hasSymbols(KeyCode code) const {
    if (code < minKeycode || code > maxKeycode) {
        return false;
    }
    const auto first = symbols.begin() + (code - minKeycode) * symbolsPerKeycode;
    return std::any_of(first, first + symbolsPerKeycode, [](KeySym s) { return s != NoSymbol; });
}

KeyCode KeyboardMap::directKeycode(KeySym keysym, const std::map<KeyCode, KeySym>& skip) const {
    for (int code = minKeycode; code <= maxKeycode; ++code) {
        const auto keycode = static_cast<KeyCode>(code);
        if (skip.count(keycode) != 0 || modifierKeys.count(keycode) != 0) {
            continue;
        }
        if (symbols[static_cast<std::size_t>((code - minKeycode) * symbolsPerKeycode)] == keysym) {
            return keycode;
        }
    }
    return 0;
}

std::vector<KeyCode> KeyboardMap::spareKeycodes(const std::map<KeyCode, KeySym>& bound) const {
    std::vector<KeyCode> spare;
    for (int code = minKeycode; code <= maxKeycode; ++code) {
        const auto keycode = static_cast<KeyCode>(code);
        if (bound.count(keycode) != 0 || (!hasSymbols(keycode) && reserved.count(keycode) == 0)) {
            spare.push_back(keycode);
        }
    }
    return spare;
}

std::optional<KeyboardMap> readKeyboardMap(Display* display) {
    KeyboardMap map;
    RequestTrap trap(display);
    XDisplayKeycodes(display, &map.minKeycode, &map.maxKeycode);
    int perKeycode = 0;
    KeySym* syms = XGetKeyboardMapping(display, static_cast<KeyCode>(map.minKeycode),
                                       map.maxKeycode - map.minKeycode + 1, &perKeycode);
    if (syms == nullptr || perKeycode <= 0) {
        return std::nullopt;
    }
    map.symbolsPerKeycode = perKeycode;
    map.symbols.assign(syms, syms + (map.maxKeycode - map.minKeycode + 1) * perKeycode);
    XFree(syms);

    Description desc(XkbGetMap(display, XkbAllClientInfoMask | XkbKeyActionsMask, XkbUseCoreKbd));
    if (!desc) {
        return std::nullopt;
    }
    map.numLockMask = XkbKeysymToModifiers(display, XK_Num_Lock);
    for (int code = map.minKeycode; code <= map.maxKeycode; ++code) {
        const unsigned modmap = desc->map != nullptr ? desc->map->modmap[code] : 0;
        // Lock keys toggle on their press: letting one go and pressing it again would flip the
        // lock, so they are never counted here.
        if (changesModifiersOrGroup(desc.get(), code) ||
            (!XkbKeyHasActions(desc.get(), code) &&
             (modmap & ~(LockMask | map.numLockMask)) != 0)) {
            map.modifierKeys.insert(static_cast<KeyCode>(code));
        }
    }
    if (XkbGetNames(display, XkbKeyNamesMask | XkbKeyAliasesMask, desc.get()) == Success &&
        XkbGetGeometry(display, desc.get()) == Success) {
        map.reserved = geometryKeycodes(*desc);
    }
    if (const auto triggers = resolveKeyNames(display, triggerKeyNames())) {
        for (const auto& entry : *triggers) {
            map.reserved.insert(static_cast<KeyCode>(entry.first));
        }
    } else {
        return std::nullopt; // without the names, no keycode is known to be safe to bind
    }
    if (trap.failed()) {
        return std::nullopt;
    }
    return map;
}

} // namespace tavik::platform::x11
