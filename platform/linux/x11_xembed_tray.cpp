#include "platform/xembed_tray.h"

#include "platform/linux/xcb_reply.h"

#include <QGuiApplication>
#include <QSocketNotifier>

#include <xcb/xcb.h>

#include <memory>
#include <string>

namespace tavik::platform {
namespace {

using xcb::Reply;

struct Disconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};

xcb_atom_t intern(xcb_connection_t* c, const std::string& name) {
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The tray colour hint: foreground, error, warning and success, each red, green and blue in
// 16 bits; only the foreground is an icon's ink.
constexpr int colourValues = 12;

} // namespace

class XEmbedTray::Private {
public:
    explicit Private(XEmbedTray& tray) : tray_(tray) {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            return;
        }
        int screen = 0;
        connection_.reset(xcb_connect(nullptr, &screen));
        if (!connection_ || xcb_connection_has_error(connection_.get()) != 0) {
            connection_.reset();
            return;
        }
        xcb_connection_t* c = connection_.get();
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
        for (int i = 0; i < screen && screens.rem > 0; ++i) {
            xcb_screen_next(&screens);
        }
        if (screens.rem == 0) {
            connection_.reset();
            return;
        }
        root_ = screens.data->root;
        selection_ = intern(c, "_NET_SYSTEM_TRAY_S" + std::to_string(screen));
        manager_ = intern(c, "MANAGER");
        colours_ = intern(c, "_NET_SYSTEM_TRAY_COLORS");
        // A tray that starts announces itself with a MANAGER message to the root window.
        const std::uint32_t rootEvents = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, root_, XCB_CW_EVENT_MASK, &rootEvents);
        notifier_ =
            std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, &tray_,
                         [this] { handleEvents(); });
        findOwner();
        handleEvents();
    }

    bool present() const { return owner_ != XCB_WINDOW_NONE; }
    std::optional<QColor> foreground() const { return foreground_; }

private:
    void findOwner() {
        xcb_connection_t* c = connection_.get();
        const Reply<xcb_get_selection_owner_reply_t> reply(
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection_), nullptr));
        xcb_window_t owner = reply ? reply->owner : xcb_window_t{XCB_WINDOW_NONE};
        if (owner != XCB_WINDOW_NONE) {
            // Told when it goes and when its colours change; a window that went meanwhile
            // refuses the request, and there is no tray after all.
            const std::uint32_t events =
                XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
            const Reply<xcb_generic_error_t> error(xcb_request_check(
                c, xcb_change_window_attributes_checked(c, owner, XCB_CW_EVENT_MASK, &events)));
            if (error) {
                owner = XCB_WINDOW_NONE;
            }
        }
        owner_ = owner;
        readColours();
    }

    void readColours() {
        std::optional<QColor> colour;
        if (owner_ != XCB_WINDOW_NONE) {
            xcb_connection_t* c = connection_.get();
            const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
                c, xcb_get_property(c, 0, owner_, colours_, XCB_ATOM_CARDINAL, 0, colourValues),
                nullptr));
            if (reply && reply->format == 32 &&
                xcb_get_property_value_length(reply.get()) >= int(sizeof(std::uint32_t)) * 3) {
                const auto* values =
                    static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
                colour =
                    QColor::fromRgba64(values[0] & 0xFFFF, values[1] & 0xFFFF, values[2] & 0xFFFF);
            }
        }
        foreground_ = colour;
    }

    void handleEvents() {
        xcb_connection_t* c = connection_.get();
        const bool wasPresent = present();
        const std::optional<QColor> hadColour = foreground_;
        while (xcb_generic_event_t* raw = xcb_poll_for_event(c)) {
            const Reply<xcb_generic_event_t> event(raw);
            switch (event->response_type & 0x7F) {
            case XCB_CLIENT_MESSAGE: {
                const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(raw);
                if (message->type == manager_ && message->format == 32 &&
                    message->data.data32[1] == selection_) {
                    findOwner();
                }
                break;
            }
            case XCB_DESTROY_NOTIFY: {
                const auto* destroyed = reinterpret_cast<const xcb_destroy_notify_event_t*>(raw);
                if (destroyed->window == owner_) {
                    owner_ = XCB_WINDOW_NONE;
                    foreground_.reset();
                }
                break;
            }
            case XCB_PROPERTY_NOTIFY: {
                const auto* property = reinterpret_cast<const xcb_property_notify_event_t*>(raw);
                if (property->window == owner_ && property->atom == colours_) {
                    readColours();
                }
                break;
            }
            default:
                break;
            }
        }
        xcb_flush(c);
        if (present() != wasPresent || foreground_ != hadColour) {
            emit tray_.changed();
        }
    }

    XEmbedTray& tray_;
    std::unique_ptr<xcb_connection_t, Disconnect> connection_;
    std::unique_ptr<QSocketNotifier> notifier_;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    xcb_window_t owner_ = XCB_WINDOW_NONE;
    xcb_atom_t selection_ = XCB_ATOM_NONE;
    xcb_atom_t manager_ = XCB_ATOM_NONE;
    xcb_atom_t colours_ = XCB_ATOM_NONE;
    std::optional<QColor> foreground_;
};

XEmbedTray::XEmbedTray(QObject* parent) : QObject(parent), d_(std::make_unique<Private>(*this)) {}

XEmbedTray::~XEmbedTray() = default;

bool XEmbedTray::present() const {
    return d_->present();
}

std::optional<QColor> XEmbedTray::foreground() const {
    return d_->foreground();
}

} // namespace tavik::platform
