#include "platform/Clipboard.h"

#include "platform/Wayland.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QtConcurrent>

#include <csignal>
#include <unistd.h>
#include <wayland-client.h>

namespace {

// The names other programs ask plain text by.
const QStringList textTypes = {QStringLiteral("text/plain;charset=utf-8"),
                               QStringLiteral("text/plain"), QStringLiteral("UTF8_STRING"),
                               QStringLiteral("STRING"), QStringLiteral("TEXT")};
// Qt's own name for an image, meaningless to other programs.
const QString qtImageType = QStringLiteral("application/x-qt-image");

void writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    ::close(fd);
}

// The clipboard through zwlr_data_control_v1: no focus or input serial needed. The data stays
// here and is sent to each program that pastes until another one takes the clipboard.
class DataControl {
public:
    explicit DataControl(Wayland& wayland) : m_wayland(wayland) {
        m_device =
            zwlr_data_control_manager_v1_get_data_device(wayland.dataControl(), wayland.seat());
        static const zwlr_data_control_device_v1_listener listener = {
            &DataControl::onDataOffer, &DataControl::onSelection, &DataControl::onFinished,
            &DataControl::onSelection};
        zwlr_data_control_device_v1_add_listener(m_device, &listener, this);
        // A program that closes its end before reading everything must not end this one.
        std::signal(SIGPIPE, SIG_IGN);
    }

    // False once the compositor has withdrawn the clipboard from us.
    bool set(std::unique_ptr<QMimeData>& data) {
        if (!m_device)
            return false;
        dropSource();
        if (data) {
            m_source = zwlr_data_control_manager_v1_create_data_source(m_wayland.dataControl());
            static const zwlr_data_control_source_v1_listener listener = {
                &DataControl::onSend, &DataControl::onCancelled};
            zwlr_data_control_source_v1_add_listener(m_source, &listener, this);
            QStringList offered = data->formats();
            offered.removeAll(qtImageType);
            if (data->hasText())
                offered += textTypes;
            offered.removeDuplicates();
            for (const QString& type : offered)
                zwlr_data_control_source_v1_offer(m_source, type.toUtf8().constData());
            m_data = std::move(data);
        }
        zwlr_data_control_device_v1_set_selection(m_device, m_source);
        m_wayland.flush();
        return true;
    }

private:
    void dropSource() {
        if (m_source)
            zwlr_data_control_source_v1_destroy(m_source);
        m_source = nullptr;
        m_data.reset();
    }

    static void onSend(void* data, zwlr_data_control_source_v1* source, const char* mimeType,
                       int32_t fd) {
        auto* self = static_cast<DataControl*>(data);
        const QString type = QString::fromUtf8(mimeType);
        if (source != self->m_source || !self->m_data) {
            ::close(fd);
            return;
        }
        // Made here, where the data may be converted; written elsewhere, at the reader's pace.
        const QByteArray bytes =
            textTypes.contains(type) ? self->m_data->text().toUtf8() : self->m_data->data(type);
        (void)QtConcurrent::run([fd, bytes] { writeAll(fd, bytes); });
    }
    static void onCancelled(void* data, zwlr_data_control_source_v1* source) {
        auto* self = static_cast<DataControl*>(data);
        if (source == self->m_source)
            self->dropSource();
        else
            zwlr_data_control_source_v1_destroy(source);
    }
    static void onDataOffer(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {}
    // Other programs' offers are never read.
    static void onSelection(void*, zwlr_data_control_device_v1*,
                            zwlr_data_control_offer_v1* offer) {
        if (offer)
            zwlr_data_control_offer_v1_destroy(offer);
    }
    static void onFinished(void* data, zwlr_data_control_device_v1*) {
        auto* self = static_cast<DataControl*>(data);
        self->dropSource();
        zwlr_data_control_device_v1_destroy(self->m_device);
        self->m_device = nullptr;
    }

    Wayland& m_wayland;
    zwlr_data_control_device_v1* m_device = nullptr;
    zwlr_data_control_source_v1* m_source = nullptr;
    std::unique_ptr<QMimeData> m_data;
};

DataControl* dataControl() {
    static DataControl* instance = []() -> DataControl* {
        Wayland* wayland = Wayland::shared();
        if (!wayland || !wayland->dataControl() || !wayland->seat())
            return nullptr;
        return new DataControl(*wayland);
    }();
    return instance;
}

} // namespace

void Clipboard::set(std::unique_ptr<QMimeData> data) {
    if (DataControl* control = dataControl(); control && control->set(data))
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (data)
        clipboard->setMimeData(data.release());
    else
        clipboard->clear();
}

const char* Clipboard::backendName() {
    return dataControl() ? "wlr-data-control" : "Qt";
}
