#include "platform/Wayland.h"

#include "wlr-data-control-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <wayland-client.h>

namespace {

void ignoreGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                    const char*, int32_t) {}
void ignoreMode(void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {}
void ignoreDone(void*, wl_output*) {}
void ignoreScale(void*, wl_output*, int32_t) {}
void ignoreDescription(void*, wl_output*, const char*) {}

} // namespace

Wayland* Wayland::shared() {
    static Wayland* instance = []() -> Wayland* {
        if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
            return nullptr;
        wl_display* display = wl_display_connect(nullptr);
        return display ? new Wayland(display) : nullptr;
    }();
    return instance;
}

Wayland::Wayland(wl_display* display) : m_display(display) {
    static const wl_registry_listener registryListener = {&Wayland::global, &Wayland::globalRemove};
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &registryListener, this);
    // The globals, then the outputs' names.
    wl_display_roundtrip(m_display);
    wl_display_roundtrip(m_display);
    m_notifier = new QSocketNotifier(wl_display_get_fd(m_display), QSocketNotifier::Read);
    QObject::connect(m_notifier, &QSocketNotifier::activated, [this] { dispatchIncoming(); });
}

Wayland::~Wayland() {
    delete m_notifier;
    wl_display_disconnect(m_display);
}

void Wayland::global(void* data, wl_registry* registry, uint32_t id, const char* interface,
                     uint32_t version) {
    auto* self = static_cast<Wayland*>(data);
    const auto bind = [&](const wl_interface* type, uint32_t highest) {
        return wl_registry_bind(registry, id, type, std::min(version, highest));
    };
    if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        self->m_shm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->m_seat) {
        self->m_seat = static_cast<wl_seat*>(bind(&wl_seat_interface, 1));
    } else if (std::strcmp(interface, zwlr_screencopy_manager_v1_interface.name) == 0) {
        self->m_screencopy = static_cast<zwlr_screencopy_manager_v1*>(
            bind(&zwlr_screencopy_manager_v1_interface, 3));
    } else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0) {
        self->m_dataControl = static_cast<zwlr_data_control_manager_v1*>(
            bind(&zwlr_data_control_manager_v1_interface, 1));
    } else if (std::strcmp(interface, wl_output_interface.name) == 0 && version >= 4) {
        // Version 4 names the output as Qt names its screen.
        static const wl_output_listener listener = {ignoreGeometry, ignoreMode, ignoreDone,
                                                    ignoreScale,    outputName, ignoreDescription};
        auto* output = static_cast<wl_output*>(bind(&wl_output_interface, 4));
        wl_output_add_listener(output, &listener, self);
        self->m_outputs.append({output, id, QString()});
    }
}

void Wayland::globalRemove(void* data, wl_registry*, uint32_t id) {
    auto* self = static_cast<Wayland*>(data);
    for (qsizetype i = 0; i < self->m_outputs.size(); ++i) {
        if (self->m_outputs[i].id == id) {
            wl_output_release(self->m_outputs[i].output);
            self->m_outputs.removeAt(i);
            return;
        }
    }
}

void Wayland::outputName(void* data, wl_output* output, const char* name) {
    for (Output& known : static_cast<Wayland*>(data)->m_outputs) {
        if (known.output == output)
            known.name = QString::fromUtf8(name);
    }
}

wl_output* Wayland::output(const QString& name) const {
    for (const Output& known : m_outputs) {
        if (known.name == name)
            return known.output;
    }
    return nullptr;
}

void Wayland::flush() {
    wl_display_flush(m_display);
}

void Wayland::dispatchIncoming() {
    // Another reader (dispatchUntil) may have taken the events already: never block here.
    while (wl_display_prepare_read(m_display) != 0)
        wl_display_dispatch_pending(m_display);
    pollfd fd{wl_display_get_fd(m_display), POLLIN, 0};
    if (poll(&fd, 1, 0) > 0)
        wl_display_read_events(m_display);
    else
        wl_display_cancel_read(m_display);
    wl_display_dispatch_pending(m_display);
    wl_display_flush(m_display);
}

bool Wayland::dispatchUntil(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    wl_display_dispatch_pending(m_display);
    while (!done()) {
        while (wl_display_prepare_read(m_display) != 0)
            wl_display_dispatch_pending(m_display);
        if (done()) {
            wl_display_cancel_read(m_display);
            break;
        }
        if (wl_display_flush(m_display) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(m_display);
            return false;
        }
        pollfd fd{wl_display_get_fd(m_display), POLLIN, 0};
        const int ready = poll(&fd, 1, int(deadline.remainingTime()));
        if (ready <= 0) {
            wl_display_cancel_read(m_display);
            return false;
        }
        if (wl_display_read_events(m_display) < 0)
            return false;
        wl_display_dispatch_pending(m_display);
    }
    return true;
}
