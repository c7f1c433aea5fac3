#include "capture/ScreenGrabber.h"
#include "platform/Wayland.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QScreen>

#include <memory>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ScreenGrabber", text);
}

// A compositor answers a copy within a frame or two; past this it is stuck.
constexpr int frameTimeoutMs = 3000;

// One output's copy into shared memory, driven by the frame's events.
class Frame {
public:
    Frame(zwlr_screencopy_manager_v1* manager, wl_output* output, wl_shm* shm) : m_shm(shm) {
        m_frame = zwlr_screencopy_manager_v1_capture_output(manager, 0, output);
        static const zwlr_screencopy_frame_v1_listener listener = {
            &Frame::onBuffer, &Frame::onFlags,       &Frame::onReady,     &Frame::onFailed,
            &Frame::onDamage, &Frame::onLinuxDmabuf, &Frame::onBufferDone};
        zwlr_screencopy_frame_v1_add_listener(m_frame, &listener, this);
    }
    ~Frame() {
        if (m_buffer)
            wl_buffer_destroy(m_buffer);
        zwlr_screencopy_frame_v1_destroy(m_frame);
        if (m_data)
            munmap(m_data, m_size);
    }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    bool finished() const { return m_ready || m_failed; }

    // The copied pixels as an image that owns the mapping, which saves a copy of every pixel;
    // a null image when the copy failed.
    QImage takeImage() {
        if (!m_ready || !m_data)
            return {};
        auto* mapping = new Mapping{std::exchange(m_data, nullptr), m_size};
        const QImage image(
            static_cast<uchar*>(mapping->data), int(m_width), int(m_height), int(m_stride),
            QImage::Format_RGB32, [](void* info) { delete static_cast<Mapping*>(info); }, mapping);
        return m_yInvert ? image.mirrored(false, true) : image;
    }

private:
    struct Mapping {
        void* data;
        size_t size;
        ~Mapping() { munmap(data, size); }
    };

    static void onBuffer(void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width,
                         uint32_t height, uint32_t stride) {
        auto* self = static_cast<Frame*>(data);
        // Both lay pixels out as QImage::Format_RGB32 does; the fourth byte is ignored.
        if (format != WL_SHM_FORMAT_XRGB8888 && format != WL_SHM_FORMAT_ARGB8888)
            return;
        self->m_format = format;
        self->m_width = width;
        self->m_height = height;
        self->m_stride = stride;
        if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(self->m_frame)) < 3)
            self->copy();
    }
    static void onFlags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
        static_cast<Frame*>(data)->m_yInvert = flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
    }
    static void onReady(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {
        static_cast<Frame*>(data)->m_ready = true;
    }
    static void onFailed(void* data, zwlr_screencopy_frame_v1*) {
        static_cast<Frame*>(data)->m_failed = true;
    }
    static void onDamage(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {
    }
    static void onLinuxDmabuf(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {}
    static void onBufferDone(void* data, zwlr_screencopy_frame_v1*) {
        static_cast<Frame*>(data)->copy();
    }

    void copy() {
        if (!m_width || m_buffer) {
            m_failed = !m_buffer;
            return;
        }
        m_size = size_t(m_stride) * m_height;
        const int fd = memfd_create("brindlecap-frame", MFD_CLOEXEC);
        if (fd < 0 || ftruncate(fd, off_t(m_size)) < 0) {
            if (fd >= 0)
                close(fd);
            m_failed = true;
            return;
        }
        void* data = mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (data == MAP_FAILED) {
            close(fd);
            m_failed = true;
            return;
        }
        m_data = data;
        wl_shm_pool* pool = wl_shm_create_pool(m_shm, fd, int32_t(m_size));
        m_buffer = wl_shm_pool_create_buffer(pool, 0, int32_t(m_width), int32_t(m_height),
                                             int32_t(m_stride), m_format);
        wl_shm_pool_destroy(pool);
        close(fd);
        zwlr_screencopy_frame_v1_copy(m_frame, m_buffer);
    }

    wl_shm* m_shm;
    zwlr_screencopy_frame_v1* m_frame;
    wl_buffer* m_buffer = nullptr;
    void* m_data = nullptr;
    size_t m_size = 0;
    uint32_t m_format = 0, m_width = 0, m_height = 0, m_stride = 0;
    bool m_yInvert = false, m_ready = false, m_failed = false;
};

// wlroots compositors (sway, Hyprland, river) copy each output's pixels into our shared memory:
// no encoding, no portal, a few milliseconds per output.
class WlrGrabber final : public ScreenGrabber {
public:
    explicit WlrGrabber(Wayland& wayland) : m_wayland(wayland) {}

    const char* name() const override { return "wlr-screencopy"; }

    void capture(const QList<QScreen*>& screens, Done done) override {
        deliverLater(std::move(done), grab(screens));
    }

private:
    GrabResult grab(const QList<QScreen*>& screens) {
        // All outputs are asked at once, so the copies overlap.
        std::vector<std::pair<QScreen*, std::unique_ptr<Frame>>> frames;
        for (QScreen* screen : screens) {
            if (wl_output* output = m_wayland.output(screen->name()))
                frames.emplace_back(screen, std::make_unique<Frame>(m_wayland.screencopy(), output,
                                                                    m_wayland.shm()));
        }
        const bool answered = m_wayland.dispatchUntil(
            [&] {
                return std::all_of(frames.begin(), frames.end(),
                                   [](const auto& frame) { return frame.second->finished(); });
            },
            frameTimeoutMs);
        if (!answered)
            return Failure{tr("El compositor no entregó la imagen de la pantalla a tiempo.")};
        QList<Shot> shots;
        for (auto& [screen, frame] : frames) {
            QImage image = frame->takeImage();
            if (image.isNull())
                return Failure{
                    tr("El compositor no pudo copiar la pantalla %1.").arg(screen->name())};
            image.setDevicePixelRatio(screen->devicePixelRatio());
            shots.append({screen, std::move(image)});
        }
        return shots;
    }

    Wayland& m_wayland;
};

} // namespace

std::unique_ptr<ScreenGrabber> ScreenGrabberWlr::create() {
    Wayland* wayland = Wayland::shared();
    if (!wayland || !wayland->screencopy() || !wayland->shm())
        return nullptr;
    return std::make_unique<WlrGrabber>(*wayland);
}
