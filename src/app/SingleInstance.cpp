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

Status isPrivateFolder(const QString& path) {
    std::string problem;
    if (InstanceSocket::isPrivateFolder(QFile::encodeName(path).toStdString(), &problem))
        return {};
    return Failure{QString::fromLocal8Bit(problem)};
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

Result<QString> SingleInstance::defaultSocketPath() {
    std::string problem;
    const std::string path = InstanceSocket::defaultPath(&problem);
    if (path.empty())
        return Failure{QString::fromLocal8Bit(problem)};
    return QFile::decodeName(QByteArray::fromStdString(path));
}

Result<SingleInstance::Role> SingleInstance::start() {
    if (m_server) {
        return Role::primary;
    }
    if (m_socketPath.isEmpty()) {
        return Failure{QStringLiteral("no socket path")};
    }
    const QString folder = QFileInfo(m_socketPath).absolutePath();
    if (const Status folderOk = isPrivateFolder(folder); !folderOk) {
        return Failure{folderOk.message()};
    }

    // Two invocations at the same moment must not both find the place free.
    QLockFile lock(m_socketPath + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(3000)) {
        return Failure{QStringLiteral("%1: cannot lock").arg(lock.fileName())};
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
        const QString reason = server->errorString();
        delete server;
        return Failure{reason};
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
    return Role::primary;
}

Status SingleInstance::send(AppCommand command, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(timeoutMs)) {
        return Failure{socket.errorString()};
    }
    socket.write(lineFor(command));
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return Failure{socket.errorString()};
    }
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs)) {
            return Failure{QStringLiteral("the running instance did not confirm the command")};
        }
    }
    if (socket.readLine() != "OK\n") {
        return Failure{QStringLiteral("the running instance refused the command")};
    }
    return {};
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
