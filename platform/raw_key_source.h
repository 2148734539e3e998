#pragma once

#include <QByteArray>
#include <QList>

#include <functional>
#include <memory>

namespace tavik::platform {

// One press or release of a physical key, heard system-wide whichever application has focus.
// Keys are named by their XKB key names ("RALT", "FK13", "ESC"), which follow the key's place
// on the keyboard rather than the symbol the keymap gives it.
struct RawKeyEvent {
    QByteArray keyName;
    bool pressed = false;
};

// A listen-only source of raw key events: it never consumes, delays or alters a key, so the
// focused application receives every key as usual. Events reach the sink on the main thread,
// one call per event, in the order the server produced them. Keys this process synthesises
// itself (see SyntheticKeyLedger) are never reported.
class RawKeySource {
public:
    using Sink = std::function<void(const RawKeyEvent&)>;

    virtual ~RawKeySource() = default;

    // Starts listening for the named keys, replacing any earlier listening. Returns false when
    // the display server refuses (or cannot offer) the selection; nothing is installed then.
    virtual bool start(const QList<QByteArray>& keyNames, Sink sink) = 0;
    // Stops listening; no event reaches the sink afterwards. Safe to call from inside the sink.
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;

    // Whether keys typed into other applications reach this source at all. False when the server
    // only shows them while one of our own windows has focus (an X server nested in a Wayland
    // session), or when no server can be reached.
    virtual bool hearsOtherApplications() const = 0;
};

// The source for this desktop (XInput2 raw events on the X display named by $DISPLAY).
std::unique_ptr<RawKeySource> makeRawKeySource();

} // namespace tavik::platform
