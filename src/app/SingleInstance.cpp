#include "app/SingleInstance.h"

#include "app/InstanceSocket.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
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

SingleInstance::SingleInstance(Listening listening) : m_listening(listening) {
    m_socketPath = defaultSocketPath(&m_error);
}

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), m_socketPath(std::move(socketPath)) {}

SingleInstance::~SingleInstance() {
    // The socket goes before the lock, or a newcomer could take the place and lose its socket.
    if (m_server)
        m_server->close();
    if (m_lock >= 0)
        ::close(m_lock);
}

QString SingleInstance::defaultSocketPath(QString* error) {
    std::string problem;
    const std::string path = InstanceSocket::defaultPath(&problem);
    if (path.empty() && error)
        *error = QString::fromLocal8Bit(problem);
    return QFile::decodeName(QByteArray::fromStdString(path));
}

SingleInstance::Role SingleInstance::start(int answerTimeoutMs) {
    if (m_server) {
        return Role::primary;
    }
    if (m_socketPath.isEmpty()) {
        if (m_error.isEmpty())
            m_error = tr("no hay ruta para el socket");
        return Role::failed;
    }
    const QString folder = QFileInfo(m_socketPath).absolutePath();
    if (!isPrivateFolder(folder, &m_error)) {
        return Role::failed;
    }

    // Adopted from an instance of this process that held it: nobody can have taken the place.
    if (m_lock < 0) {
        if (const std::optional<Role> other = lockOrAsk(answerTimeoutMs))
            return *other;
    }
    if (m_listening == Listening::later)
        return Role::primary;
    // Nobody else holds the lock: whatever socket file is there belongs to an instance that died.
    QLocalServer::removeServer(m_socketPath);

    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_socketPath)) {
        m_error = server->errorString();
        delete server;
        ::close(std::exchange(m_lock, -1));
        return Role::failed;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
    return Role::primary;
}

std::optional<SingleInstance::Role> SingleInstance::lockOrAsk(int answerTimeoutMs) {
    const QByteArray lockPath = QFile::encodeName(m_socketPath + QStringLiteral(".lock"));
    const int lock = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0) {
        m_error = QString::fromLocal8Bit(lockPath + ": " + std::strerror(errno));
        return Role::failed;
    }
    // Whoever holds the lock is alive and listens, or is about to: ask it until it answers.
    QDeadlineTimer deadline(answerTimeoutMs);
    while (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        QLocalSocket probe;
        probe.connectToServer(m_socketPath);
        if (probe.waitForConnected(int(qMin<qint64>(deadline.remainingTime(), 250)))) {
            probe.abort();
            ::close(lock);
            return Role::secondary;
        }
        if (deadline.hasExpired()) {
            ::close(lock);
            m_error = tr("no responde");
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
            m_error = tr("no respondió a tiempo");
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
