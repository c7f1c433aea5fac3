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

ScreenGrabberPortal::LayoutCut::LayoutCut(const QRect& bounds, const QList<Screen>& screens)
    : m_bounds(bounds) {
    for (const Screen& screen : screens) {
        Part part;
        part.geometry = screen.geometry;
        const QSize device(qRound(screen.geometry.width() * screen.dpr),
                           qRound(screen.geometry.height() * screen.dpr));
        part.image = QImage(device, QImage::Format_RGB32);
        // Touched now, while the portal works: a fresh 4K image's first writes cost page faults.
        part.image.fill(Qt::black);
        part.image.setDevicePixelRatio(screen.dpr);
        m_parts.append(std::move(part));
    }
}

void ScreenGrabberPortal::LayoutCut::begin(QSize imageSize) {
    // The portal draws the whole layout at one scale, the highest of its outputs.
    const qreal imageScale = m_bounds.isEmpty() ? 0 : qreal(imageSize.width()) / m_bounds.width();
    // An output drawn above its scale shows each of its pixels as a block: one sample at every
    // block's centre gives the pixels back as they were.
    const auto samples = [](int from, int count, int device) {
        std::vector<int> at(static_cast<size_t>(device));
        for (int i = 0; i < device; ++i)
            at[size_t(i)] = from + int((i + 0.5) * count / device);
        return at;
    };
    for (Part& part : m_parts) {
        const QRect& geometry = part.geometry;
        part.source =
            QRect(qRound((geometry.x() - m_bounds.x()) * imageScale),
                  qRound((geometry.y() - m_bounds.y()) * imageScale),
                  qRound(geometry.width() * imageScale), qRound(geometry.height() * imageScale));
        part.rows.clear();
        part.columns.clear();
        part.nextRow = 0;
        if (m_bounds.isEmpty() || !QRect(QPoint(), imageSize).contains(part.source) ||
            part.image.isNull())
            continue;
        part.rows = samples(part.source.y(), part.source.height(), part.image.height());
        if (part.image.width() != part.source.width())
            part.columns = samples(0, part.source.width(), part.image.width());
    }
}

void ScreenGrabberPortal::LayoutCut::addRow(int y, const QRgb* pixels) {
    for (Part& part : m_parts) {
        for (; part.nextRow < int(part.rows.size()) && part.rows[size_t(part.nextRow)] <= y;
             ++part.nextRow) {
            auto* out = reinterpret_cast<QRgb*>(part.image.scanLine(part.nextRow));
            const QRgb* in = pixels + part.source.x();
            const int width = part.image.width();
            // A screenshot's alpha means nothing; RGB32 wants it opaque.
            if (part.columns.empty()) {
                for (int x = 0; x < width; ++x)
                    out[x] = in[x] | 0xff000000;
            } else {
                for (int x = 0; x < width; ++x)
                    out[x] = in[part.columns[size_t(x)]] | 0xff000000;
            }
        }
    }
}

std::optional<QImage> ScreenGrabberPortal::LayoutCut::image(qsizetype screen) const {
    const Part& part = m_parts.at(screen);
    if (part.image.isNull() || part.rows.empty() || part.nextRow < part.image.height())
        return std::nullopt;
    return part.image;
}

void ScreenGrabberPortal::LayoutCut::addImage(const QImage& layout) {
    begin(layout.size());
    const QImage rows = layout.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < rows.height(); ++y)
        addRow(y, reinterpret_cast<const QRgb*>(rows.constScanLine(y)));
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
        m_pending.insert(path, Pending{screens, nullptr, std::move(done)});
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
        // The screens' images are made while the portal works.
        QList<QRect> geometries;
        for (QScreen* screen : QGuiApplication::screens())
            geometries.append(screen->geometry());
        QList<ScreenGrabberPortal::LayoutCut::Screen> wanted;
        for (QScreen* screen : screens)
            wanted.append({screen->geometry(), screen->devicePixelRatio()});
        m_pending[path].cut = std::make_shared<ScreenGrabberPortal::LayoutCut>(
            ScreenGrabberPortal::layoutBounds(geometries), wanted);
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
        std::optional<QList<Shot>> shots = cutAll(uri.toLocalFile(), m_pending.value(path));
        if (!shots) {
            finish(
                path,
                Failure{
                    tr("El portal entregó una captura ilegible (%1).").arg(uri.toDisplayString())});
            return;
        }
        Trace::mark("portal image cut");
        finish(path, std::move(*shots));
    }

private:
    struct Pending {
        QList<QScreen*> screens;
        std::shared_ptr<ScreenGrabberPortal::LayoutCut> cut;
        Done done;
    };

    // Most portals hand over a plain RGB(A) PNG, which PngDecoder reads many times faster than
    // Qt, straight into the screens' images; Qt's reader takes the rest.
    static std::optional<QList<Shot>> cutAll(const QString& file, const Pending& pending) {
        QFile png(file);
        if (!png.open(QIODevice::ReadOnly) || !pending.cut)
            return std::nullopt;
        const QByteArray bytes = png.readAll();
        ScreenGrabberPortal::LayoutCut& cut = *pending.cut;
        const auto begin = [&cut](QSize size) {
            cut.begin(size);
            return true;
        };
        if (!PngDecoder::read(bytes, begin,
                              [&cut](int y, const QRgb* row) { cut.addRow(y, row); })) {
            const QImage layout = QImage::fromData(bytes);
            if (layout.isNull())
                return std::nullopt;
            cut.addImage(layout);
        }
        QList<Shot> shots;
        for (qsizetype i = 0; i < pending.screens.size(); ++i) {
            if (std::optional<QImage> image = cut.image(i))
                shots.append({pending.screens.at(i), *image});
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
