#include "platform/X11.h"

#include <QGuiApplication>
#include <QHash>
#include <QPainterPath>
#include <QRegion>
#include <QWidget>

#include <xcb/xcb_keysyms.h>

#include <cstdlib>

namespace X11 {

bool chosenFor(const char* override) {
    const QByteArray forced = qgetenv(override);
    return forced == "x11" ||
           (forced != "null" && QGuiApplication::platformName() == QLatin1String("xcb"));
}

xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

void sync() {
    if (xcb_connection_t* c = connection())
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

xcb_window_t rootWindow() {
    xcb_connection_t* c = connection();
    if (!c)
        return XCB_WINDOW_NONE;
    // Qt runs on the screen named by DISPLAY; multi-screen (Zaphod) setups pick it the same way.
    char* host = nullptr;
    int display = 0, screenNumber = 0;
    if (!xcb_parse_display(nullptr, &host, &display, &screenNumber))
        screenNumber = 0;
    std::free(host);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; it.rem && i < screenNumber; ++i)
        xcb_screen_next(&it);
    return it.rem ? it.data->root : xcb_window_t(XCB_WINDOW_NONE);
}

xcb_atom_t atom(const char* name) {
    static QHash<QByteArray, xcb_atom_t> cache;
    const QByteArray key(name);
    if (auto it = cache.constFind(key); it != cache.cend())
        return *it;
    xcb_connection_t* c = connection();
    if (!c)
        return XCB_ATOM_NONE;
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, false, uint16_t(key.size()), key.constData()), nullptr));
    if (!reply)
        return XCB_ATOM_NONE;
    cache.insert(key, reply->atom);
    return reply->atom;
}

QList<uint32_t> values32(const xcb_get_property_reply_t* reply) {
    QList<uint32_t> out;
    if (!reply || reply->format != 32)
        return out;
    const auto* data = static_cast<const uint32_t*>(
        xcb_get_property_value(const_cast<xcb_get_property_reply_t*>(reply)));
    const int n = xcb_get_property_value_length(const_cast<xcb_get_property_reply_t*>(reply)) / 4;
    out.reserve(n);
    for (int i = 0; i < n; ++i)
        out.append(data[i]);
    return out;
}

std::optional<uint32_t> firstValue32(const xcb_get_property_reply_t* reply) {
    const QList<uint32_t> v = values32(reply);
    if (v.isEmpty())
        return std::nullopt;
    return v.first();
}

bool compositing() {
    xcb_connection_t* c = connection();
    if (!c)
        return true;
    const xcb_atom_t manager = atom("_NET_WM_CM_S0");
    Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, manager), nullptr));
    return owner && owner->owner != XCB_NONE;
}

void roundCornersUncomposited(QWidget* window, double radius) {
    if (compositing())
        return;
    QPainterPath shape;
    shape.addRoundedRect(QRectF(window->rect()), radius, radius);
    window->setMask(QRegion(shape.toFillPolygon().toPolygon()));
}

bool isXrgb32(xcb_connection_t* c, uint8_t depth) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST || (depth != 24 && depth != 32))
        return false;
    bool bpp32 = false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == depth)
            bpp32 = it.data->bits_per_pixel == 32;
    return bpp32;
}

xcb_get_property_cookie_t requestProperty(xcb_window_t window, xcb_atom_t property,
                                          xcb_atom_t type) {
    // 4096 items is far more than any property read here holds (client lists included).
    return xcb_get_property(connection(), false, window, property, type, 0, 4096);
}

namespace {

// Text of a keysym for the Latin-1 and Unicode ranges and the keypad's digits and signs.
QString keysymText(xcb_keysym_t keysym) {
    if ((keysym >= 0x20 && keysym <= 0x7e) || (keysym >= 0xa0 && keysym <= 0xff))
        return QString(QChar(char16_t(keysym)));
    if (keysym >= 0x01000100 && keysym <= 0x0110ffff) {
        const char32_t code = keysym - 0x01000000;
        return QString::fromUcs4(&code, 1);
    }
    if (keysym >= 0xffaa && keysym <= 0xffb9) // XK_KP_Multiply to XK_KP_9
        return QString(QChar(u"*+,-./0123456789"[keysym - 0xffaa]));
    return {};
}

} // namespace

QString unmodifiedKeyText(quint32 keycode) {
    xcb_connection_t* c = connection();
    if (!c)
        return {};
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
    const QString text = keysymText(xcb_key_symbols_get_keysym(symbols, xcb_keycode_t(keycode), 0));
    xcb_key_symbols_free(symbols);
    return text;
}

} // namespace X11
