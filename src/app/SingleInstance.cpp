#include "app/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr auto socketName = "brindlecap.socket";
// A client that connects and then says nothing must not hold a connection for ever.
constexpr int idleClientMs = 5000;

QByteArray lineFor(AppCommand command) {
    return QByteArrayLiteral("BRINDLECAP ") + QByteArray::number(SingleInstance::protocolVersion) +
           ' ' + AppCommands::name(command).toLatin1() + '\n';
}

std::optional<AppCommand> parseLine(const QByteArray& line) {
    const QList<QByteArray> words = line.trimmed().split(' ');
    if (words.size() != 3 || words[0] != "BRINDLECAP" ||
        words[1] != QByteArray::number(SingleInstance::protocolVersion)) {
        return std::nullopt;
    }
    return AppCommands::fromName(QString::fromLatin1(words[2]));
}

// A folder fit to hold the socket: a real directory (not a link) of this user that nobody else
// may enter. Anything else could let another user speak to us or sit in our place.
bool isPrivateFolder(const QString& path, QString* error) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid() || (info.st_mode & 077) != 0) {
        *error = QStringLiteral("%1: not a private folder of this user").arg(path);
        return false;
    }
    return true;
}

void drop(QLocalSocket* socket) {
    socket->abort();
    socket->deleteLater();
}

bool peerIsThisUser(qintptr descriptor) {
    struct ucred credentials {};
    socklen_t length = sizeof credentials;
    if (::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) {
        return false;
    }
    return credentials.uid == ::getuid();
}

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), m_socketPath(std::move(socketPath)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultSocketPath(QString* error) {
    QString problem;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime, &problem)) {
        return runtime + u'/' + QLatin1String(socketName);
    }

    const QString folder = QDir::tempPath() + QStringLiteral("/brindlecap-%1").arg(::getuid());
    const QByteArray encoded = QFile::encodeName(folder);
    if (::mkdir(encoded.constData(), 0700) != 0 && errno != EEXIST) {
        problem =
            QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
    } else if (isPrivateFolder(folder, &problem)) {
        return folder + u'/' + QLatin1String(socketName);
    }
    if (error) {
        *error = problem;
    }
    return {};
}

SingleInstance::Role SingleInstance::start() {
    if (m_server) {
        return Role::primary;
    }
    if (m_socketPath.isEmpty()) {
        m_error = QStringLiteral("no socket path");
        return Role::failed;
    }
    const QString folder = QFileInfo(m_socketPath).absolutePath();
    if (!isPrivateFolder(folder, &m_error)) {
        return Role::failed;
    }

    // Two invocations at the same moment must not both find the place free.
    QLockFile lock(m_socketPath + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(3000)) {
        m_error = QStringLiteral("%1: cannot lock").arg(lock.fileName());
        return Role::failed;
    }

    QLocalSocket probe;
    probe.connectToServer(m_socketPath);
    if (probe.waitForConnected(1000)) {
        probe.abort();
        return Role::secondary;
    }
    // Nobody answers: whatever file is there belongs to an instance that died.
    QLocalServer::removeServer(m_socketPath);

    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_socketPath)) {
        m_error = server->errorString();
        delete server;
        return Role::failed;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
    return Role::primary;
}

bool SingleInstance::isListening() const {
    return m_server && m_server->isListening();
}

bool SingleInstance::send(AppCommand command, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(timeoutMs)) {
        m_error = socket.errorString();
        return false;
    }
    socket.write(lineFor(command));
    if (!socket.waitForBytesWritten(timeoutMs)) {
        m_error = socket.errorString();
        return false;
    }
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs)) {
            m_error = QStringLiteral("the running instance did not confirm the command");
            return false;
        }
    }
    if (socket.readLine() != "OK\n") {
        m_error = QStringLiteral("the running instance refused the command");
        return false;
    }
    return true;
}

void SingleInstance::accept() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!peerIsThisUser(socket->socketDescriptor())) {
            drop(socket);
            continue;
        }
        socket->setReadBufferSize(maxLineLength + 1);
        QTimer::singleShot(idleClientMs, socket, [socket] { drop(socket); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        if (socket->bytesAvailable() > 0) {
            readFrom(socket);
        }
    }
}

void SingleInstance::readFrom(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maxLineLength) {
            drop(socket);
        }
        return;
    }
    const QByteArray line = socket->readLine(maxLineLength + 1);
    const std::optional<AppCommand> command = parseLine(line);
    if (!command) {
        drop(socket);
        return;
    }
    socket->write("OK\n");
    socket->flush();
    socket->disconnectFromServer();
    Q_EMIT commandReceived(*command);
}
