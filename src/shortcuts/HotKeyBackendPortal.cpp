#include "shortcuts/HotKeyBackend.h"
#include "shortcuts/KeyCodeTable.h"
#include "shortcuts/KeyCombo.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

#include <map>
#include <xkbcommon/xkbcommon.h>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString portalInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// One entry of the portal's a(sa{sv}) shortcut list.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

namespace {

// The key names of the keymap that ties X11 keycodes to keys (US, like the stored codes' own
// positions). Never freed: asked for again on every rebinding.
xkb_keymap* usKeymap() {
    static xkb_keymap* const keymap = [] {
        xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
        xkb_keymap* made =
            context ? xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS)
                    : nullptr;
        xkb_context_unref(context);
        return made;
    }();
    return keymap;
}

// Portal requests answer through a Response signal on a path made from our bus name and a token
// we choose, so the handler is in place before the call goes out.
QString requestPath(const QString& token) {
    QString sender = QDBusConnection::sessionBus().baseService().mid(1);
    sender.replace(u'.', u'_');
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

QString newToken() {
    return QStringLiteral("brindlecap%1").arg(QRandomGenerator::global()->generate());
}

class HotKeyBackendPortal final : public QObject, public HotKeyBackend {
    Q_OBJECT

public:
    HotKeyBackendPortal() {
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<QList<PortalShortcut>>();
        QDBusConnection::sessionBus().connect(portalService, portalPath, portalInterface,
                                              QStringLiteral("Activated"), this,
                                              SLOT(activated(QDBusMessage)));
        m_bindTimer.setSingleShot(true);
        m_bindTimer.setInterval(0);
        connect(&m_bindTimer, &QTimer::timeout, this, &HotKeyBackendPortal::bind);
    }

    std::optional<Ref> registerHotKey(quint32 keyCode, quint32 modifiers,
                                      HotKeyIdentifier identifier) override {
        const std::optional<QString> trigger = portalTrigger(keyCode, modifiers);
        if (!trigger)
            return std::nullopt;
        const Ref ref = m_nextRef++;
        m_keys[ref] = Key{identifier, *trigger};
        // A reload registers its shortcuts one by one: they go to the portal together.
        m_bindTimer.start();
        return ref;
    }

    void unregisterHotKey(Ref ref) override {
        if (m_keys.erase(ref) && QCoreApplication::instance())
            m_bindTimer.start();
    }

    HotKeyService service() const override { return HotKeyService::portal; }

private Q_SLOTS:
    // Taken as a whole message: QtDBus cannot match a slot to the signal's a{sv} argument.
    void activated(const QDBusMessage& message) {
        const QList<QVariant> arguments = message.arguments();
        if (arguments.size() < 2 || !onPressed ||
            arguments[0].value<QDBusObjectPath>().path() != m_session)
            return;
        const QString shortcutId = arguments[1].toString();
        for (const auto& [ref, key] : m_keys)
            if (shortcutIdOf(key) == shortcutId) {
                onPressed(key.identifier);
                return;
            }
    }

    void sessionCreated(uint response, const QVariantMap& results) {
        if (response != 0) {
            qWarning("El portal de atajos globales no abrió una sesión (respuesta %u)", response);
            return;
        }
        m_session = results.value(QStringLiteral("session_handle")).toString();
        bind();
    }

    void shortcutsBound(uint response, const QVariantMap&) {
        if (response != 0)
            qWarning("El portal de atajos globales rechazó los atajos (respuesta %u)", response);
    }

private:
    struct Key {
        HotKeyIdentifier identifier;
        QString trigger;
    };

    // The id is the identifier's: unique for the life of the process, like the registration.
    static QString shortcutIdOf(const Key& key) {
        return QStringLiteral("brindlecap-%1").arg(key.identifier.id);
    }

    QList<PortalShortcut> shortcuts() const {
        QList<PortalShortcut> list;
        for (const auto& [ref, key] : m_keys)
            list.append({shortcutIdOf(key),
                         {{QStringLiteral("description"), QStringLiteral("Brindlecap")},
                          {QStringLiteral("preferred_trigger"), key.trigger}}});
        return list;
    }

    // Sends a call whose answer comes as a Response signal to `slot`.
    void request(const QString& method, const QList<QVariant>& arguments, QVariantMap options,
                 const char* slot) {
        const QString token = newToken();
        options.insert(QStringLiteral("handle_token"), token);
        QDBusConnection::sessionBus().connect(portalService, requestPath(token),
                                              QStringLiteral("org.freedesktop.portal.Request"),
                                              QStringLiteral("Response"), this, slot);
        QDBusMessage call =
            QDBusMessage::createMethodCall(portalService, portalPath, portalInterface, method);
        call.setArguments(QList<QVariant>(arguments) << options);
        QDBusConnection::sessionBus().asyncCall(call);
    }

    // Hands the portal the whole current set; the first time it opens the session with it.
    void bind() {
        if (m_session.isEmpty()) {
            if (m_creating)
                return;
            m_creating = true;
            request(QStringLiteral("CreateSession"), {},
                    // KDE names the shortcuts' group after this token: a fixed one keeps the
                    // same group from run to run instead of leaving one behind per run.
                    {{QStringLiteral("session_handle_token"), QStringLiteral("brindlecap")},
                     {QStringLiteral("shortcuts"), QVariant::fromValue(shortcuts())}},
                    SLOT(sessionCreated(uint, QVariantMap)));
            return;
        }
        request(QStringLiteral("BindShortcuts"),
                {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts()),
                 QString()},
                {}, SLOT(shortcutsBound(uint, QVariantMap)));
    }

    std::map<Ref, Key> m_keys;
    Ref m_nextRef = 1;
    QTimer m_bindTimer;
    QString m_session;
    bool m_creating = false;
};

} // namespace

std::optional<QString> portalTrigger(quint32 keyCode, quint32 modifiers) {
    const std::optional<quint32> x11 = KeyCodeTable::x11FromMac(keyCode);
    xkb_keymap* keymap = usKeymap();
    if (!x11 || !keymap)
        return std::nullopt;
    const xkb_keysym_t* syms = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap, *x11, 0, 0, &syms) < 1)
        return std::nullopt;
    char name[64];
    if (xkb_keysym_get_name(syms[0], name, sizeof name) <= 0)
        return std::nullopt;
    // Modifier order and names as the portal's freedesktop shortcut format has them.
    QString trigger;
    if (modifiers & KeyCombo::command)
        trigger += QLatin1String("CTRL+");
    if (modifiers & KeyCombo::option)
        trigger += QLatin1String("ALT+");
    if (modifiers & KeyCombo::shift)
        trigger += QLatin1String("SHIFT+");
    if (modifiers & KeyCombo::control)
        trigger += QLatin1String("LOGO+");
    return trigger + QString::fromLatin1(name);
}

std::unique_ptr<HotKeyBackend> makeHotKeyBackendPortal() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << portalInterface << QStringLiteral("version");
    // Starting the portal service on demand takes a moment; an absent one answers at once.
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return nullptr;
    return std::make_unique<HotKeyBackendPortal>();
}

#include "HotKeyBackendPortal.moc"
