#pragma once

// One non-interactive call of org.freedesktop.portal.Screenshot, waiting for its Response: what
// the sway benchmarks measure the program against (the program has its own client).
#include <QDBusConnection>
#include <QDBusMessage>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

namespace PortalScreenshot {

struct Answer {
    int code = -1; // the portal's response: 0 success, 1 refused, 2 failed; -1 no answer
    QUrl uri;
    QString error;
};

class Listener : public QObject {
    Q_OBJECT
public:
    Answer answer;
    QEventLoop loop;
public Q_SLOTS:
    void response(uint code, const QVariantMap& results) {
        answer.code = int(code);
        answer.uri = QUrl(results.value(QStringLiteral("uri")).toString());
        loop.quit();
    }
};

inline Answer take(int timeoutMs) {
    static int calls = 0;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString sender = bus.baseService().mid(1).replace(u'.', u'_');
    const QString token = QStringLiteral("brindle_test_%1").arg(++calls);
    Listener listener;
    // Listen before calling: the answer may come before the call returns.
    bus.connect(QStringLiteral("org.freedesktop.portal.Desktop"),
                QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token),
                QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"),
                &listener, SLOT(response(uint, QVariantMap)));
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"),
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"));
    call << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("interactive"), false}};
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        listener.answer.error = reply.errorMessage();
        return listener.answer;
    }
    if (listener.answer.code < 0) {
        QTimer::singleShot(timeoutMs, &listener.loop, &QEventLoop::quit);
        listener.loop.exec();
    }
    return listener.answer;
}

} // namespace PortalScreenshot
