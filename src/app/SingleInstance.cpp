#include "app/SingleInstance.h"

#include "app/InstanceSocket.h"

#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
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

struct Parsed {
    AppCommand command;
    InstanceSocket::Request request;
};

std::optional<Parsed> parseLine(const QByteArray& line) {
    const std::optional<InstanceSocket::Request> request =
        InstanceSocket::parseLine(line.trimmed().toStdString());
    if (!request)
        return std::nullopt;
    const std::optional<AppCommand> command =
        AppCommands::fromName(QString::fromStdString(request->command));
    if (!command ||
        (request->toCaller && *command != AppCommand::area && *command != AppCommand::fullScreen))
        return std::nullopt;
    return Parsed{*command, *request};
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
        auto* idle = new QTimer(socket);
        idle->setObjectName(QStringLiteral("idle"));
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, socket, [socket] { drop(socket); });
        idle->start(idleClientMs);
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
    const std::optional<Parsed> parsed = parseLine(line);
    if (!parsed) {
        drop(socket);
        return;
    }
    socket->write("OK\n");
    socket->flush();
    if (!parsed->request.toCaller) {
        socket->disconnectFromServer();
        Q_EMIT commandReceived(parsed->command);
        return;
    }
    // The client waits for the result, as long as the user takes over an area capture.
    delete socket->findChild<QTimer*>(QStringLiteral("idle"));
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    QPointer<QLocalSocket> client(socket);
    const Answer answer = [client](const QByteArray& result) {
        if (!client)
            return;
        client->write(result);
        client->disconnectFromServer();
    };
    Q_EMIT captureRequested(
        {parsed->command, QString::fromStdString(parsed->request.screen), parsed->request.copy},
        answer);
}
