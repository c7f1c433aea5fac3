#pragma once

#include <QList>
#include <QString>

#include <functional>

struct wl_display;
struct wl_output;
struct wl_registry;
struct wl_seat;
struct wl_shm;
struct zwlr_data_control_manager_v1;
struct zwlr_screencopy_manager_v1;

class QSocketNotifier;

// The program's own connection to the Wayland compositor, for the protocols Qt does not speak
// (screen copy, clipboard without focus). Qt 6.4 has no public handle on its own connection, and a
// second one costs a millisecond. Main thread only; events are dispatched from the event loop.
class Wayland {
public:
    struct Output {
        wl_output* output = nullptr;
        uint32_t id = 0;
        QString name;
    };

    // The connection, made on first use; nullptr when Qt does not run on Wayland or the
    // compositor cannot be reached.
    static Wayland* shared();

    wl_display* display() const { return m_display; }
    wl_shm* shm() const { return m_shm; }
    wl_seat* seat() const { return m_seat; }
    zwlr_screencopy_manager_v1* screencopy() const { return m_screencopy; }
    zwlr_data_control_manager_v1* dataControl() const { return m_dataControl; }
    // The output the compositor calls `name` (what QScreen::name() reports), or nullptr.
    wl_output* output(const QString& name) const;

    // Sends the requests made so far and handles events until `done` holds or `timeoutMs` has
    // passed; false on timeout or a broken connection.
    bool dispatchUntil(const std::function<bool()>& done, int timeoutMs);
    void flush();

    Wayland(const Wayland&) = delete;
    Wayland& operator=(const Wayland&) = delete;
    ~Wayland();

private:
    explicit Wayland(wl_display* display);
    static void global(void* data, wl_registry* registry, uint32_t id, const char* interface,
                       uint32_t version);
    static void globalRemove(void* data, wl_registry* registry, uint32_t id);
    static void outputName(void* data, wl_output* output, const char* name);
    void dispatchIncoming();

    wl_display* m_display;
    wl_registry* m_registry = nullptr;
    wl_shm* m_shm = nullptr;
    wl_seat* m_seat = nullptr;
    zwlr_screencopy_manager_v1* m_screencopy = nullptr;
    zwlr_data_control_manager_v1* m_dataControl = nullptr;
    QList<Output> m_outputs;
    QSocketNotifier* m_notifier = nullptr;
};
