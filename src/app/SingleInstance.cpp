#include "app/SingleInstance.h"

#include "app/InstanceSocket.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
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

Result<QString> fromPlace(const InstanceSocket::Place& place) {
    if (!place)
        return Failure{QString::fromLocal8Bit(place.error)};
    return QFile::decodeName(QByteArray::fromStdString(place.path));
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

SingleInstance::SingleInstance(Listening listening)
    : m_socketPath(defaultSocketPath()), m_listening(listening) {}

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent),
      m_socketPath(socketPath.isEmpty() ? Result<QString>(Failure{tr("no hay ruta para el socket")})
                                        : Result<QString>(std::move(socketPath))) {}

SingleInstance::~SingleInstance() {
    // The socket goes before the lock, or a newcomer could take the place and lose its socket.
    if (m_server)
        m_server->close();
    if (m_lock >= 0)
        ::close(m_lock);
}

Result<QString> SingleInstance::defaultSocketPath() {
    return fromPlace(InstanceSocket::defaultPath());
}

Result<SingleInstance::Role> SingleInstance::start(int answerTimeoutMs) {
    if (m_server)
        return Role::primary;
    if (!m_socketPath)
        return Failure{m_socketPath.message()};
    const QString path = *m_socketPath;
    const Result<QString> folder = fromPlace(InstanceSocket::privateFolder(
        QFile::encodeName(QFileInfo(path).absolutePath()).toStdString()));
    if (!folder)
        return Failure{folder.message()};

    // Adopted from an instance of this process that held it: nobody can have taken the place.
    if (m_lock < 0) {
        if (std::optional<Result<Role>> other = lockOrAsk(path, answerTimeoutMs))
            return std::move(*other);
    }
    if (m_listening == Listening::later)
        return Role::primary;
    // Nobody else holds the lock: whatever socket file is there belongs to an instance that died.
    QLocalServer::removeServer(path);

    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        const QString reason = server->errorString();
        delete server;
        ::close(std::exchange(m_lock, -1));
        return Failure{reason};
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
    return Role::primary;
}

std::optional<Result<SingleInstance::Role>> SingleInstance::lockOrAsk(const QString& socketPath,
                                                                      int answerTimeoutMs) {
    const QByteArray lockPath = QFile::encodeName(socketPath + QStringLiteral(".lock"));
    const int lock = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0)
        return Failure{QString::fromLocal8Bit(lockPath + ": " + std::strerror(errno))};
    // Whoever holds the lock is alive and listens, or is about to: ask it until it answers.
    QDeadlineTimer deadline(answerTimeoutMs);
    while (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        QLocalSocket probe;
        probe.connectToServer(socketPath);
        if (probe.waitForConnected(int(qMin<qint64>(deadline.remainingTime(), 250)))) {
            probe.abort();
            ::close(lock);
            return Role::secondary;
        }
        if (deadline.hasExpired()) {
            ::close(lock);
            return Role::unresponsive;
        }
        QThread::msleep(50);
    }
    m_lock = lock;
    return std::nullopt;
}

int SingleInstance::releaseLock() {
    Q_ASSERT(!m_server);
    return std::exchange(m_lock, -1);
}

void SingleInstance::adoptLock(int lock) {
    Q_ASSERT(!m_server && m_lock < 0);
    m_lock = lock;
}

bool SingleInstance::isListening() const {
    return m_server && m_server->isListening();
}

Status SingleInstance::send(AppCommand command, int timeoutMs) {
    if (!m_socketPath)
        return Failure{m_socketPath.message()};
    QLocalSocket socket;
    socket.connectToServer(*m_socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return Failure{socket.errorString()};
    socket.write(lineFor(command));
    if (!socket.waitForBytesWritten(timeoutMs))
        return Failure{socket.errorString()};
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return Failure{tr("no respondió a tiempo")};
    }
    if (socket.readLine() != "OK\n")
        return Failure{tr("rechazó la orden")};
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
