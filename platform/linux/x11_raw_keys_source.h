#pragma once

#include "platform/linux/x11_raw_keys_keymap.h"
#include "platform/raw_key_source.h"
#include "platform/synthetic_key_ledger.h"

#include <QSocketNotifier>

#include <cstdint>
#include <memory>
#include <set>

union _XEvent;

namespace tavik::platform::x11 {

// Raw key events from XInput 2.1+ on the root window, on a connection of its own. Raw events
// reach a root selection whatever window has focus and whatever grabs are active, and a raw
// selection cannot consume anything: it is listen-only by nature. The connection is read on the
// main loop through a socket notifier; Xlib may already hold events it read while waiting for a
// reply, so every wake (and every call that made a request) drains its whole queue.
//
// Keys arrive as X keycodes and are named through the keymap's XKB key names; the names are
// read again when the keymap's names change (a new keyboard, a layout switch that renames keys).
// Events from an XTest device that this process noted in the ledger are dropped; all other XTest
// events (tests, remapping tools) are reported like any key.
class RawKeys final : public RawKeySource {
public:
    explicit RawKeys(SyntheticKeyLedger& ledger = SyntheticKeyLedger::shared());
    ~RawKeys() override;

    bool start(const QList<QByteArray>& keyNames, Sink sink) override;
    void stop() override;
    bool isRunning() const override { return display_ != nullptr; }
    bool hearsOtherApplications() const override;

private:
    struct DisplayCloser {
        void operator()(_XDisplay* display) const;
    };

    bool install(const QList<QByteArray>& keyNames);
    bool readXTestDevices();
    void drain();
    void dispatch(_XEvent& event);
    void handleRawKey(int evtype, unsigned keycode, int sourceDevice);

    SyntheticKeyLedger& ledger_;
    std::unique_ptr<_XDisplay, DisplayCloser> display_;
    std::unique_ptr<QSocketNotifier> notifier_;
    Sink sink_;
    QList<QByteArray> wanted_;
    KeycodeNames keycodes_;
    std::set<int> xtestDevices_;
    int xiOpcode_ = 0;
    int xkbEventBase_ = 0;
    bool nestedInWayland_ = false;
    bool draining_ = false;
    std::uint64_t generation_ = 0;
};

// Whether the X server is an Xwayland one, which shows other clients' keys only while one of our
// windows has focus.
bool isNestedInWayland(_XDisplay* display);

} // namespace tavik::platform::x11
