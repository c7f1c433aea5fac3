#include "capture/ScreenGrabber.h"
#include "capture/Trace.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QFutureWatcher>
#include <QPointer>
#include <QScreen>
#include <QtConcurrent>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

const QString kwinService = QStringLiteral("org.kde.KWin");
const QString screenShotPath = QStringLiteral("/org/kde/KWin/ScreenShot2");
const QString screenShotInterface = QStringLiteral("org.kde.KWin.ScreenShot2");
// A capture takes a fraction of a second; seen here, KWin sometimes stops answering ScreenShot2
// altogether. Past this the grab fails instead of keeping every later capture waiting.
constexpr int stallMs = 5000;

// Everything written into the pipe until KWin closes its end or stalls, read straight into the
// buffer the image keeps. Runs on a worker thread: KWin writes while we read.
QByteArray readAll(int fd, qsizetype expected) {
    QByteArray data(std::max<qsizetype>(expected, 1 << 16), Qt::Uninitialized);
    qsizetype size = 0;
    pollfd ready{fd, POLLIN, 0};
    for (;;) {
        const int polled = ::poll(&ready, 1, stallMs);
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            break;
        if (size == data.size())
            data.resize(data.size() * 2);
        const ssize_t got = ::read(fd, data.data() + size, size_t(data.size() - size));
        if (got > 0)
            size += got;
        else if (got == 0 || errno != EINTR)
            break;
    }
    ::close(fd);
    data.truncate(size);
    return data;
}

// Whether every pixel of 32-bit ARGB rows has alpha 255.
bool opaque(const char* bits, int width, int height, int stride) {
    quint32 all = 0xffffffff;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const quint32*>(bits + qsizetype(y) * stride);
        for (int x = 0; x < width; ++x)
            all &= row[x];
    }
    return (all >> 24) == 0xff;
}

// One screen's reply from KWin and its pixels, joined once both are in.
struct Part {
    QPointer<QScreen> screen;
    std::optional<Result<QVariantMap>> reply;
    std::optional<QByteArray> pixels;
};

struct Grab {
    QList<Part> parts;
    int outstanding = 0;
    ScreenGrabber::Done done;
};

Result<Shot> shotOf(Part& part) {
    if (!*part.reply)
        return Failure{part.reply->message()};
    const QVariantMap& meta = **part.reply;
    const int width = meta.value(QStringLiteral("width")).toInt();
    const int height = meta.value(QStringLiteral("height")).toInt();
    const int stride = meta.value(QStringLiteral("stride")).toInt();
    auto format = QImage::Format(meta.value(QStringLiteral("format")).toInt());
    if (width <= 0 || height <= 0 || stride < width * 4 ||
        part.pixels->size() < qsizetype(stride) * height)
        return Failure{
            QCoreApplication::translate("ScreenGrabber", "KWin entregó una imagen incompleta.")};
    // KWin hands over ARGB32, yet a screen is opaque: as RGB32, like the other back-ends' shots,
    // the overlays copy rows instead of blending every pixel, and files carry no alpha. Those
    // bytes already are RGB32; converting them would cost tens of milliseconds.
    if ((format == QImage::Format_ARGB32 || format == QImage::Format_ARGB32_Premultiplied) &&
        opaque(part.pixels->constData(), width, height, stride))
        format = QImage::Format_RGB32;
    // The image keeps the bytes it was read into instead of copying them.
    auto* bytes = new QByteArray(std::move(*part.pixels));
    QImage image(
        reinterpret_cast<const uchar*>(bytes->constData()), width, height, stride, format,
        [](void* held) { delete static_cast<QByteArray*>(held); }, bytes);
    if (part.screen)
        image.setDevicePixelRatio(part.screen->devicePixelRatio());
    return Shot{part.screen, std::move(image)};
}

void finishPart(const std::shared_ptr<Grab>& grab) {
    if (--grab->outstanding > 0)
        return;
    QList<Shot> shots;
    for (Part& part : grab->parts) {
        Result<Shot> shot = shotOf(part);
        if (!shot) {
            grab->done(Failure{shot.message()});
            return;
        }
        shots.append(shot.take());
    }
    Trace::mark("kwin images built");
    grab->done(std::move(shots));
}

class KWinGrabber final : public ScreenGrabber {
public:
    void capture(const QList<QScreen*>& screens, Done done) override {
        auto grab = std::make_shared<Grab>();
        grab->done = std::move(done);
        // Two steps per screen: the reply and the end of the pixels.
        grab->outstanding = int(screens.size()) * 2 + 1;
        for (QScreen* screen : screens) {
            grab->parts.append(Part{screen, {}, {}});
            start(grab, int(grab->parts.size()) - 1);
        }
        // Once every call has gone out, so a quick answer cannot finish the grab early; later
        // than this call in any case.
        QMetaObject::invokeMethod(
            qApp, [grab] { finishPart(grab); }, Qt::QueuedConnection);
    }

    bool requestAccess() override { return !*m_refused; }

    const char* name() const override { return "kwin ScreenShot2"; }

private:
    void start(const std::shared_ptr<Grab>& grab, int index) {
        QScreen* screen = grab->parts[index].screen;
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            grab->parts[index].reply = Failure{QString::fromLocal8Bit(strerror(errno))};
            grab->parts[index].pixels = QByteArray();
            grab->outstanding -= 2;
            return;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(
            kwinService, screenShotPath, screenShotInterface, QStringLiteral("CaptureScreen"));
        call << screen->name()
             << QVariantMap{{QStringLiteral("native-resolution"), true},
                            {QStringLiteral("include-cursor"), false}}
             << QVariant::fromValue(QDBusUnixFileDescriptor(fds[1]));
        ::close(fds[1]);
        // The pending call holds the message, and with it a copy of the write end: it goes
        // when the reply is in, so the reader sees the end of the data.
        auto* watcher =
            new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, stallMs));
        call = QDBusMessage();
        Trace::mark("kwin call sent");
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                         [refused = m_refused, grab, index](QDBusPendingCallWatcher* w) {
                             QDBusPendingReply<QVariantMap> reply = *w;
                             if (reply.isError()) {
                                 if (reply.error().name().endsWith(u"NoAuthorized"))
                                     *refused = true;
                                 grab->parts[index].reply = Failure{reply.error().message()};
                             } else {
                                 grab->parts[index].reply = reply.value();
                             }
                             w->deleteLater();
                             Trace::mark("kwin reply");
                             finishPart(grab);
                         });
        const QSize device =
            (QSizeF(screen->geometry().size()) * screen->devicePixelRatio()).toSize();
        auto* reader = new QFutureWatcher<QByteArray>();
        QObject::connect(reader, &QFutureWatcher<QByteArray>::finished, reader,
                         [grab, index, reader] {
                             grab->parts[index].pixels = reader->result();
                             reader->deleteLater();
                             Trace::mark("kwin pixels read");
                             finishPart(grab);
                         });
        reader->setFuture(
            QtConcurrent::run(readAll, fds[0], qsizetype(device.width()) * 4 * device.height()));
    }

    // Shared with replies that may arrive after the grabber is gone.
    std::shared_ptr<bool> m_refused = std::make_shared<bool>(false);
};

} // namespace

std::unique_ptr<ScreenGrabber> ScreenGrabberKWin::create() {
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    if (!bus || !bus->isServiceRegistered(kwinService))
        return nullptr;
    return std::make_unique<KWinGrabber>();
}
