#pragma once

#include "app/AppCommand.h"
#include "platform/Result.h"

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// Keeps one running Brindlecap per user. The first process listens on a local socket in a
// folder only its user can enter; later invocations hand their command to it and exit.
// The wire format is InstanceSocket's.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Role { primary, secondary };

    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket in $XDG_RUNTIME_DIR, or in a private folder of ours under the temp folder when
    // that is unset; the failure when no private place can be had.
    static Result<QString> defaultSocketPath();

    // Becomes the listening instance, unless one already answers on the socket (secondary).
    // A socket file left behind by a dead instance is replaced.
    Result<Role> start();

    // Hands a command to the running instance; succeeds once it confirmed taking it.
    Status send(AppCommand command, int timeoutMs = 3000);

    QString socketPath() const { return m_socketPath; }

    // Longest line a client may send; longer input is cut off.
    static constexpr qint64 maxLineLength = 256;

Q_SIGNALS:
    void commandReceived(AppCommand command);

private:
    void accept();
    void readFrom(QLocalSocket* socket);

    QString m_socketPath;
    QLocalServer* m_server = nullptr;
};
