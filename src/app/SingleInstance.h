#pragma once

#include "app/AppCommand.h"

#include <QObject>
#include <QString>

#include <optional>

class QLocalServer;
class QLocalSocket;

// Keeps one running Brindlecap per user. The first process listens on a local socket in a
// folder only its user can enter; later invocations hand their command to it and exit.
// The wire format is InstanceSocket's.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // `unresponsive`: another instance holds the place but does not answer; it is left alone.
    enum class Role { primary, secondary, unresponsive, failed };

    // `later`: start() takes the place but does not listen; the instance that adopts its lock
    // does, once it can answer. A start in between waits for that.
    enum class Listening { atStart, later };

    // At the default socket path; when there is none, start() fails with the reason.
    explicit SingleInstance(Listening listening = Listening::atStart);
    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket in $XDG_RUNTIME_DIR, or in a private folder of ours under the temp folder when
    // that is unset. Empty (with `error` set) when no private place can be had.
    static QString defaultSocketPath(QString* error = nullptr);

    // Becomes the listening instance, unless one already answers on the socket (secondary).
    // The listening instance holds a lock beside the socket for its whole life, so a socket
    // file is replaced only when no instance holds it: one left behind by a dead instance.
    Role start(int answerTimeoutMs = 3000);

    // The lock of an instance started with Listening::later, still held, for adoptLock() by the
    // instance that listens next in this process, so that no other start takes the place.
    int releaseLock();
    void adoptLock(int lock);

    // Hands a command to the running instance; true once it confirmed taking it.
    bool send(AppCommand command, int timeoutMs = 3000);

    bool isListening() const;
    QString socketPath() const { return m_socketPath; }
    QString errorString() const { return m_error; }

    // Longest line a client may send; longer input is cut off.
    static constexpr qint64 maxLineLength = 256;

Q_SIGNALS:
    void commandReceived(AppCommand command);

private:
    // Takes the lock, or says who holds it; nothing once it is ours.
    std::optional<Role> lockOrAsk(int answerTimeoutMs);
    void accept();
    void readFrom(QLocalSocket* socket);

    QString m_socketPath;
    QString m_error;
    QLocalServer* m_server = nullptr;
    int m_lock = -1;
    Listening m_listening = Listening::atStart;
};
