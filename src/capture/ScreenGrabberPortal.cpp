#include "capture/PngDecoder.h"
#include "capture/ScreenGrabber.h"
#include "capture/Trace.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFile>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QScreen>
#include <QUrl>

namespace {

// The grabbers' shared translation context, not this class's.
QString tr(const char* text) {
    return QCoreApplication::translate("ScreenGrabber", text);
}

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");

// The portal's Response codes: 0 success, 1 refused by the user, 2 ended otherwise.
constexpr uint responseSuccess = 0;
constexpr uint responseRefused = 1;

// The path the portal gives the request for this handle token, known before the call so the
// answer cannot arrive before we listen for it.
QString requestPath(const QString& token) {
    QString sender = QDBusConnection::sessionBus().baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

} // namespace

QRect ScreenGrabberPortal::layoutBounds(const QList<QRect>& geometries) {
    QRect bounds;
    for (const QRect& geometry : geometries)
        bounds |= geometry;
    return bounds;
}

std::optional<QImage> ScreenGrabberPortal::cut(const QImage& layout, const QRect& bounds,
                                               const QRect& geometry, qreal dpr) {
    if (bounds.isEmpty() || layout.isNull())
        return std::nullopt;
    // The portal draws the whole layout at one scale, the highest of its outputs.
    const qreal imageScale = qreal(layout.width()) / bounds.width();
    const QRect source(qRound((geometry.x() - bounds.x()) * imageScale),
                       qRound((geometry.y() - bounds.y()) * imageScale),
                       qRound(geometry.width() * imageScale),
                       qRound(geometry.height() * imageScale));
    if (!layout.rect().contains(source))
        return std::nullopt;
    const QSize device(qRound(geometry.width() * dpr), qRound(geometry.height() * dpr));
    QImage image = layout.copy(source).convertToFormat(QImage::Format_RGB32);
    if (image.size() != device) {
        // An output drawn above its scale shows each of its pixels as a block: one sample at
        // every block's centre gives the pixels back as they were.
        image = image.scaled(device, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    image.setDevicePixelRatio(dpr);
    return image;
}

namespace {

// org.freedesktop.portal.Screenshot without its dialog: one PNG of the whole layout per call,
// cut per screen here. Slow (the wlr back-end runs grim and encodes a PNG) but portable.
class PortalGrabber final : public QObject, public ScreenGrabber {
    Q_OBJECT

public:
    void capture(const QList<QScreen*>& screens, Done done) override {
        const QString token =
            QStringLiteral("brindlecap%1").arg(QRandomGenerator::global()->generate());
        const QString path = requestPath(token);
        QDBusConnection bus = QDBusConnection::sessionBus();
        m_pending.insert(path, Pending{screens, std::move(done)});
        bus.connect(portalService, path, QStringLiteral("org.freedesktop.portal.Request"),
                    QStringLiteral("Response"), this,
                    SLOT(onResponse(uint, QVariantMap, QDBusMessage)));

        QDBusMessage call = QDBusMessage::createMethodCall(
            portalService, portalPath, QStringLiteral("org.freedesktop.portal.Screenshot"),
            QStringLiteral("Screenshot"));
        call << QString()
             << QVariantMap{{QStringLiteral("handle_token"), token},
                            {QStringLiteral("modal"), false},
                            {QStringLiteral("interactive"), false}};
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, path](QDBusPendingCallWatcher* call) {
                    call->deleteLater();
                    if (call->isError())
                        finish(path, Failure{::tr("El portal de capturas de pantalla del "
                                                  "escritorio no responde: %1")
                                                 .arg(call->error().message())});
                });
    }

    bool requestAccess() override { return !m_refused; }
    const char* name() const override { return "portal Screenshot"; }

private Q_SLOTS:
    // The message names the request it answers.
    void onResponse(uint response, const QVariantMap& results, const QDBusMessage& message) {
        const QString path = message.path();
        // Only a refusal is the user's answer; any other end (the portal's back-end failed, a
        // dialog closed) is one failed capture, and the next may work.
        if (response == responseRefused) {
            m_refused = true;
            finish(path, Failure{::tr("El escritorio no permitió la captura de pantalla.")});
            return;
        }
        if (response != responseSuccess) {
            finish(path, Failure{::tr("El portal de capturas de pantalla del escritorio no pudo "
                                      "hacer la captura.")});
            return;
        }
        Trace::mark("portal answered");
        const QUrl uri(results.value(QStringLiteral("uri")).toString());
        // The file is the portal's: it may reuse the path for the next call, so it stays.
        const QImage layout = read(uri.toLocalFile());
        if (layout.isNull()) {
            finish(
                path,
                Failure{
                    tr("El portal entregó una captura ilegible (%1).").arg(uri.toDisplayString())});
            return;
        }
        Trace::mark("portal image read");
        finish(path, cutAll(layout, m_pending.value(path).screens));
        Trace::mark("portal image cut");
    }

private:
    struct Pending {
        QList<QScreen*> screens;
        Done done;
    };

    // Most portals hand over a plain RGB(A) PNG, which PngDecoder reads many times faster.
    static QImage read(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = file.readAll();
        if (std::optional<QImage> image = PngDecoder::decode(bytes))
            return *image;
        return QImage::fromData(bytes);
    }

    static GrabResult cutAll(const QImage& layout, const QList<QScreen*>& asked) {
        QList<QRect> geometries;
        for (QScreen* screen : QGuiApplication::screens())
            geometries.append(screen->geometry());
        const QRect bounds = ScreenGrabberPortal::layoutBounds(geometries);
        QList<Shot> shots;
        for (QScreen* screen : asked) {
            const std::optional<QImage> image = ScreenGrabberPortal::cut(
                layout, bounds, screen->geometry(), screen->devicePixelRatio());
            if (image)
                shots.append({screen, *image});
        }
        return shots;
    }

    void finish(const QString& path, GrabResult result) {
        const auto it = m_pending.find(path);
        if (it == m_pending.end())
            return;
        Done done = std::move(it->done);
        m_pending.erase(it);
        QDBusConnection::sessionBus().disconnect(
            portalService, path, QStringLiteral("org.freedesktop.portal.Request"),
            QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap, QDBusMessage)));
        done(std::move(result));
    }

    QHash<QString, Pending> m_pending;
    bool m_refused = false;
};

} // namespace

std::unique_ptr<ScreenGrabber> ScreenGrabberPortal::create() {
    return std::make_unique<PortalGrabber>();
}

#include "ScreenGrabberPortal.moc"
