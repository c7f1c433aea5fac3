#include "capture/ActiveWindow.h"
#include "platform/X11.h"

#include <cstring>

namespace {

// EWMH _NET_ACTIVE_WINDOW.
class X11ActiveWindow final : public ActiveWindow {
public:
    std::optional<uint32_t> current() override {
        xcb_connection_t* c = X11::connection();
        if (!c)
            return std::nullopt;
        X11::Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            c,
            X11::requestProperty(X11::rootWindow(), X11::atom("_NET_ACTIVE_WINDOW"),
                                 XCB_ATOM_WINDOW),
            nullptr));
        const std::optional<uint32_t> window = X11::firstValue32(reply.get());
        if (!window || *window == XCB_WINDOW_NONE)
            return std::nullopt;
        return window;
    }

    void activate(uint32_t window) override {
        xcb_connection_t* c = X11::connection();
        if (!c || window == XCB_WINDOW_NONE)
            return;
        xcb_client_message_event_t event;
        std::memset(&event, 0, sizeof event);
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = X11::atom("_NET_ACTIVE_WINDOW");
        // Source 2, a pager: the user asked for it, so focus-stealing prevention must not refuse.
        event.data.data32[0] = 2;
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(c, false, X11::rootWindow(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(c);
    }
};

} // namespace

std::unique_ptr<ActiveWindow> ActiveWindowX11::create() {
    return std::make_unique<X11ActiveWindow>();
}
