#include "app/SingleInstance.h"

#include "app/InstanceSocket.h"

#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// A client that connects and then says nothing must not hold a connection for ever.
constexpr int idleClientMs = 5000;

QByteArray lineFor(AppCommand command) {
    return QByteArray::fromStdString(
        InstanceSocket::line(AppCommands::name(command).toStdString()));
}

std::optional<AppCommand> parseLine(const QByteArray& line) {
    const QList<QByteArray> words = line.trimmed().split(' ');
    if (words.size() != 3 || words[0] != "BRINDLECAP" ||
        words[1] != QByteArray::number(InstanceSocket::protocolVersion)) {
        return std::nullopt;
    }
    return AppCommands::fromName(QString::fromLatin1(words[2]));
}

bool isPrivateFolder(const QString& path, QString* error) {
    std::string problem;
    if (InstanceSocket::isPrivateFolder(QFile::encodeName(path).toStdString(), &problem))
        return true;
    *error = QString::fromLocal8Bit(problem);
    return false;
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
    std::string problem;
    const std::string path = InstanceSocket::defaultPath(&problem);
    if (path.empty() && error)
        *error = QString::fromLocal8Bit(problem);
    return QFile::decodeName(QByteArray::fromStdString(path));
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
