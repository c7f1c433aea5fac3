#include "platform/OutsideClicks.h"

#include "platform/X11.h"

#include <QCoreApplication>

#include <xcb/xinput.h>

namespace {
constexpr uint32_t leftButton = 1, rightButton = 3;
}

OutsideClicks::OutsideClicks(Handler onPress) : m_onPress(std::move(onPress)) {
    xcb_connection_t* c = X11::connection();
    if (!c)
        return;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_input_id);
    if (!extension || !extension->present)
        return;
    m_opcode = extension->major_opcode;
    select(true);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

OutsideClicks::~OutsideClicks() {
    if (!m_opcode)
        return;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    select(false);
}

void OutsideClicks::select(bool on) {
    xcb_connection_t* c = X11::connection();
    struct {
        xcb_input_event_mask_t head;
        uint32_t bits;
    } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
           on ? uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS) : 0u};
    xcb_input_xi_select_events(c, X11::rootWindow(), 1, &mask.head);
    xcb_flush(c);
}

bool OutsideClicks::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_GE_GENERIC)
        return false;
    const auto* generic = static_cast<const xcb_ge_generic_event_t*>(message);
    if (generic->extension != m_opcode || generic->event_type != XCB_INPUT_RAW_BUTTON_PRESS)
        return false;
    const auto* press = static_cast<const xcb_input_raw_button_press_event_t*>(message);
    if (press->detail == leftButton || press->detail == rightButton) {
        // The handler may delete this filter; nothing of it is touched afterwards.
        const Handler handler = m_onPress;
        handler();
    }
    return true;
}
