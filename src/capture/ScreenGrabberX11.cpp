#include "capture/ScreenGrabber.h"
#include "platform/X11.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <QScreen>

#include <xcb/shm.h>

#include <algorithm>
#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <thread>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ScreenGrabber", text);
}

// The screen's area of the root window in device pixels. Qt keeps each screen's native top-left
// and divides only the extent by the ratio, so with mixed scales every screen converts on its own.
QRect nativeRect(const QScreen* screen) {
    const QRect g = screen->geometry();
    const qreal dpr = screen->devicePixelRatio();
    return QRect(g.topLeft(), QSize(qRound(g.width() * dpr), qRound(g.height() * dpr)));
}

// Copies rows into the image from `firstRow` on, forcing the unused byte to opaque as
// Format_RGB32 expects.
void copyRows(QImage& image, int firstRow, const uint8_t* data, int rows) {
    const int width = image.width();
    for (int y = 0; y < rows; ++y) {
        const auto* src = reinterpret_cast<const uint32_t*>(data + qsizetype(y) * width * 4);
        auto* dst = reinterpret_cast<uint32_t*>(image.scanLine(firstRow + y));
        for (int x = 0; x < width; ++x)
            dst[x] = src[x] | 0xff000000u;
    }
}

// The shared segment holds bands of rows rather than a whole screen: it stays attached between
// captures, and bands keep that to a few megabytes while costing only a round trip each.
constexpr size_t bandBytes = 2 << 20;

class X11Grabber final : public ScreenGrabber {
public:
    explicit X11Grabber(ScreenGrabberX11::Transport transport)
        : m_useShm(transport == ScreenGrabberX11::Transport::Auto) {}

    ~X11Grabber() override { releaseSegment(); }

    const char* name() const override { return m_useShm ? "x11 mit-shm" : "x11 getimage"; }

    void capture(const QList<QScreen*>& screens, Done done) override {
        deliverLater(std::move(done), grab(screens));
    }

private:
    GrabResult grab(const QList<QScreen*>& screens) {
        xcb_connection_t* c = X11::connection();
        const xcb_window_t root = X11::rootWindow();
        if (!c || root == XCB_WINDOW_NONE || xcb_connection_has_error(c))
            return Failure{tr("No hay conexión con el servidor X.")};
        X11::Reply<xcb_get_geometry_reply_t> rootGeometry(
            xcb_get_geometry_reply(c, xcb_get_geometry(c, root), nullptr));
        if (!rootGeometry)
            return Failure{tr("No se pudo leer la ventana raíz del servidor X.")};
        if (!X11::isXrgb32(c, rootGeometry->depth))
            return Failure{tr("El formato de imagen de la pantalla no está soportado.")};
        const QRect rootRect(0, 0, rootGeometry->width, rootGeometry->height);

        struct Target {
            QScreen* screen;
            QRect area;
            QImage image;
        };
        QList<Target> targets;
        for (QScreen* screen : screens) {
            // A screen that is not part of this X screen (or has no area) has nothing to grab.
            const QRect area = screen ? nativeRect(screen) & rootRect : QRect();
            if (area.isEmpty())
                continue;
            QImage image(area.size(), QImage::Format_RGB32);
            if (image.isNull())
                return Failure{
                    tr("No hay memoria para la imagen de la pantalla %1.").arg(screen->name())};
            image.setDevicePixelRatio(screen->devicePixelRatio());
            targets.append({screen, area, std::move(image)});
        }

        // Faulting fresh pages in costs far more than copying into them: another core touches
        // the later screens' images while this one copies the first.
        QList<std::pair<uchar*, qsizetype>> later;
        for (qsizetype i = 1; i < targets.size(); ++i)
            later.append({targets[i].image.bits(), targets[i].image.sizeInBytes()});
        std::jthread toucher([later] {
            for (const auto& [bits, bytes] : later)
                for (qsizetype offset = 0; offset < bytes; offset += 4096)
                    bits[offset] = 0;
        });

        QList<Shot> shots;
        for (qsizetype i = 0; i < targets.size(); ++i) {
            Target& target = targets[i];
            if (i == 1)
                toucher.join();
            if (!grabArea(c, root, target.area, target.image))
                return Failure{tr("El servidor X no entregó la imagen de la pantalla %1.")
                                   .arg(target.screen->name())};
            shots.append({target.screen, std::move(target.image)});
        }
        return shots;
    }

    bool grabArea(xcb_connection_t* c, xcb_window_t root, QRect area, QImage& image) {
        const size_t stride = size_t(area.width()) * 4;
        const size_t bytes = stride * size_t(area.height());
        // Errors are taken here rather than left to Qt's event handler, which would log them.
        xcb_generic_error_t* error = nullptr;
        if (m_useShm && ensureSegment(c, 2 * std::min(bytes, std::max(stride, bandBytes)))) {
            // Two bands in the segment: the server fills one while we copy the other.
            const size_t half = m_size / 2;
            const int bandRows = int(half / stride);
            const auto request = [&](int y, int slot) {
                return xcb_shm_get_image(
                    c, root, int16_t(area.x()), int16_t(area.y() + y), uint16_t(area.width()),
                    uint16_t(std::min(bandRows, area.height() - y)), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP,
                    m_segment, uint32_t(half * size_t(slot)));
            };
            xcb_shm_get_image_cookie_t next = request(0, 0);
            int slot = 0;
            for (int y = 0; y < area.height(); y += bandRows, slot ^= 1) {
                const xcb_shm_get_image_cookie_t cookie = next;
                const bool more = y + bandRows < area.height();
                if (more)
                    next = request(y + bandRows, slot ^ 1);
                const int rows = std::min(bandRows, area.height() - y);
                X11::Reply<xcb_shm_get_image_reply_t> reply(
                    xcb_shm_get_image_reply(c, cookie, &error));
                X11::Reply<xcb_generic_error_t> failed(error);
                if (!reply || reply->size < stride * size_t(rows)) {
                    if (more)
                        xcb_discard_reply(c, next.sequence);
                    return false;
                }
                copyRows(image, y, static_cast<const uint8_t*>(m_address) + half * size_t(slot),
                         rows);
            }
            return true;
        }
        X11::Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, int16_t(area.x()), int16_t(area.y()),
                          uint16_t(area.width()), uint16_t(area.height()), ~0u),
            &error));
        X11::Reply<xcb_generic_error_t> failed(error);
        if (!reply || size_t(xcb_get_image_data_length(reply.get())) < bytes)
            return false;
        copyRows(image, 0, xcb_get_image_data(reply.get()), area.height());
        return true;
    }

    // One segment, grown when a wider screen needs it and kept for the next grab. If the server
    // cannot attach it (a remote display), this grabber falls back to GetImage for good.
    bool ensureSegment(xcb_connection_t* c, size_t bytes) {
        if (m_address && m_size >= bytes)
            return true;
        releaseSegment();
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_shm_id);
        if (!ext || !ext->present) {
            m_useShm = false;
            return false;
        }
        const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (id < 0) {
            m_useShm = false;
            return false;
        }
        void* address = shmat(id, nullptr, 0);
        const xcb_shm_seg_t segment = xcb_generate_id(c);
        X11::Reply<xcb_generic_error_t> error(
            address == reinterpret_cast<void*>(-1)
                ? nullptr
                : xcb_request_check(c, xcb_shm_attach_checked(c, segment, uint32_t(id), false)));
        // Marked for removal now: it disappears once both sides detach, even after a crash.
        shmctl(id, IPC_RMID, nullptr);
        if (address == reinterpret_cast<void*>(-1) || error) {
            if (address != reinterpret_cast<void*>(-1))
                shmdt(address);
            m_useShm = false;
            return false;
        }
        m_address = address;
        m_size = bytes;
        m_segment = segment;
        return true;
    }

    void releaseSegment() {
        if (!m_address)
            return;
        // At exit the connection may be gone; the server drops the attachment with it.
        if (xcb_connection_t* c = qGuiApp ? X11::connection() : nullptr)
            xcb_shm_detach(c, m_segment);
        shmdt(m_address);
        m_address = nullptr;
        m_size = 0;
    }

    bool m_useShm;
    void* m_address = nullptr;
    size_t m_size = 0;
    xcb_shm_seg_t m_segment = 0;
};

} // namespace

std::unique_ptr<ScreenGrabber> ScreenGrabberX11::create(Transport transport) {
    return std::make_unique<X11Grabber>(transport);
}
