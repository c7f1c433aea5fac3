#include "capture/WindowFinder.h"
#include "platform/X11.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <array>
#include <unistd.h>

namespace {

constexpr double minimumAlpha = 0.05;
constexpr qreal minimumWidth = 60;
constexpr qreal minimumHeight = 40;

// A native frame in Qt's logical space, scaled by the screen it overlaps most; windows on no
// screen are not on screen at all.
std::optional<QRectF> toLogical(const QRect& native) {
    const QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        const qreal dpr = screen->devicePixelRatio();
        const QRect screenNative(g.topLeft(),
                                 QSize(qRound(g.width() * dpr), qRound(g.height() * dpr)));
        const QRect overlap = screenNative & native;
        const qint64 area = qint64(overlap.width()) * overlap.height();
        if (area > bestArea) {
            bestArea = area;
            best = screen;
        }
    }
    if (!best)
        return std::nullopt;
    const QPointF origin = best->geometry().topLeft();
    const qreal dpr = best->devicePixelRatio();
    return QRectF(origin + (QPointF(native.topLeft()) - origin) / dpr, QSizeF(native.size()) / dpr);
}

bool bigEnough(const QRectF& r) {
    return r.width() >= minimumWidth && r.height() >= minimumHeight;
}

bool opaqueEnough(const xcb_get_property_reply_t* opacity) {
    const std::optional<uint32_t> value = X11::firstValue32(opacity);
    return !value || double(*value) / 0xffffffffu > minimumAlpha;
}

bool ours(const xcb_get_property_reply_t* pid) {
    const std::optional<uint32_t> value = X11::firstValue32(pid);
    return value && pid_t(*value) == getpid();
}

// The first standard type in the list decides; a window without one counts as normal.
bool normalOrDialog(const xcb_get_property_reply_t* types) {
    static const std::array<const char*, 14> standard = {
        "_NET_WM_WINDOW_TYPE_NORMAL",        "_NET_WM_WINDOW_TYPE_DIALOG",
        "_NET_WM_WINDOW_TYPE_DESKTOP",       "_NET_WM_WINDOW_TYPE_DOCK",
        "_NET_WM_WINDOW_TYPE_TOOLBAR",       "_NET_WM_WINDOW_TYPE_MENU",
        "_NET_WM_WINDOW_TYPE_UTILITY",       "_NET_WM_WINDOW_TYPE_SPLASH",
        "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU", "_NET_WM_WINDOW_TYPE_POPUP_MENU",
        "_NET_WM_WINDOW_TYPE_TOOLTIP",       "_NET_WM_WINDOW_TYPE_NOTIFICATION",
        "_NET_WM_WINDOW_TYPE_COMBO",         "_NET_WM_WINDOW_TYPE_DND"};
    for (uint32_t type : X11::values32(types))
        for (size_t i = 0; i < standard.size(); ++i)
            if (type == X11::atom(standard[i]))
                return i < 2;
    return true;
}

bool onDesktop(const xcb_get_property_reply_t* desktop, std::optional<uint32_t> current) {
    const std::optional<uint32_t> value = X11::firstValue32(desktop);
    return !value || !current || *value == *current || *value == 0xffffffffu;
}

bool hidden(const xcb_get_property_reply_t* state) {
    return X11::values32(state).contains(X11::atom("_NET_WM_STATE_HIDDEN"));
}

// Requests for one managed client, sent together so the whole list costs one round trip.
struct ClientRequests {
    xcb_window_t window;
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t origin;
    xcb_get_property_cookie_t type, state, desktop, pid, opacity, extents;
};

QList<QRectF> managedClientRects(xcb_connection_t* c, xcb_window_t root,
                                 const QList<uint32_t>& bottomToTop) {
    X11::Reply<xcb_get_property_reply_t> currentDesktop(xcb_get_property_reply(
        c, X11::requestProperty(root, X11::atom("_NET_CURRENT_DESKTOP"), XCB_ATOM_CARDINAL),
        nullptr));
    const std::optional<uint32_t> current = X11::firstValue32(currentDesktop.get());

    QList<ClientRequests> requests;
    requests.reserve(bottomToTop.size());
    for (auto it = bottomToTop.crbegin(); it != bottomToTop.crend(); ++it) {
        const xcb_window_t w = *it;
        requests.append(
            {w, xcb_get_window_attributes(c, w), xcb_get_geometry(c, w),
             xcb_translate_coordinates(c, w, root, 0, 0),
             X11::requestProperty(w, X11::atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM),
             X11::requestProperty(w, X11::atom("_NET_WM_STATE"), XCB_ATOM_ATOM),
             X11::requestProperty(w, X11::atom("_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL),
             X11::requestProperty(w, X11::atom("_NET_WM_PID"), XCB_ATOM_CARDINAL),
             X11::requestProperty(w, X11::atom("_NET_WM_WINDOW_OPACITY"), XCB_ATOM_CARDINAL),
             X11::requestProperty(w, X11::atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL)});
    }

    QList<QRectF> rects;
    for (const ClientRequests& r : requests) {
        // Every reply is taken, kept or not, so none is left queued on the connection.
        X11::Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, r.attributes, nullptr));
        X11::Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(c, r.geometry, nullptr));
        X11::Reply<xcb_translate_coordinates_reply_t> origin(
            xcb_translate_coordinates_reply(c, r.origin, nullptr));
        auto property = [c](xcb_get_property_cookie_t cookie) {
            return X11::Reply<xcb_get_property_reply_t>(xcb_get_property_reply(c, cookie, nullptr));
        };
        const auto type = property(r.type), state = property(r.state),
                   desktop = property(r.desktop), pid = property(r.pid),
                   opacity = property(r.opacity), extents = property(r.extents);

        if (!attributes || !geometry || !origin || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        if (!normalOrDialog(type.get()) || hidden(state.get()) ||
            !onDesktop(desktop.get(), current) || ours(pid.get()) || !opaqueEnough(opacity.get()))
            continue;
        QList<uint32_t> frame = X11::values32(extents.get()); // left, right, top, bottom
        if (frame.size() != 4)
            frame = {0, 0, 0, 0};
        const QRect native(origin->dst_x - int(frame[0]), origin->dst_y - int(frame[2]),
                           geometry->width + int(frame[0] + frame[1]),
                           geometry->height + int(frame[2] + frame[3]));
        if (const std::optional<QRectF> logical = toLogical(native); logical && bigEnough(*logical))
            rects.append(*logical);
    }
    return rects;
}

class X11WindowFinder final : public WindowFinder {
public:
    QList<QRectF> frontToBackRects() override {
        xcb_connection_t* c = X11::connection();
        const xcb_window_t root = X11::rootWindow();
        if (!c || root == XCB_WINDOW_NONE)
            return {};
        X11::Reply<xcb_get_property_reply_t> stacking(xcb_get_property_reply(
            c, X11::requestProperty(root, X11::atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW),
            nullptr));
        if (!stacking || stacking->type == XCB_ATOM_NONE)
            return WindowFinderX11::rootChildrenRects();
        return managedClientRects(c, root, X11::values32(stacking.get()));
    }
};

} // namespace

std::unique_ptr<WindowFinder> WindowFinderX11::create() {
    return std::make_unique<X11WindowFinder>();
}

QList<QRectF> WindowFinderX11::rootChildrenRects() {
    xcb_connection_t* c = X11::connection();
    const xcb_window_t root = X11::rootWindow();
    if (!c || root == XCB_WINDOW_NONE)
        return {};
    X11::Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());

    struct Requests {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        xcb_get_property_cookie_t pid, opacity;
    };
    QList<Requests> requests;
    requests.reserve(count);
    // The tree lists bottom to top.
    for (int i = count - 1; i >= 0; --i) {
        const xcb_window_t w = children[i];
        requests.append(
            {xcb_get_window_attributes(c, w), xcb_get_geometry(c, w),
             X11::requestProperty(w, X11::atom("_NET_WM_PID"), XCB_ATOM_CARDINAL),
             X11::requestProperty(w, X11::atom("_NET_WM_WINDOW_OPACITY"), XCB_ATOM_CARDINAL)});
    }
    QList<QRectF> rects;
    for (const Requests& r : requests) {
        X11::Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, r.attributes, nullptr));
        X11::Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(c, r.geometry, nullptr));
        X11::Reply<xcb_get_property_reply_t> pid(xcb_get_property_reply(c, r.pid, nullptr));
        X11::Reply<xcb_get_property_reply_t> opacity(xcb_get_property_reply(c, r.opacity, nullptr));
        // Override-redirect windows are menus, tooltips and the like, not windows to pick.
        if (!attributes || !geometry || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
            attributes->override_redirect || ours(pid.get()) || !opaqueEnough(opacity.get()))
            continue;
        const int border = geometry->border_width;
        const QRect native(geometry->x, geometry->y, geometry->width + 2 * border,
                           geometry->height + 2 * border);
        if (const std::optional<QRectF> logical = toLogical(native); logical && bigEnough(*logical))
            rects.append(*logical);
    }
    return rects;
}
