#pragma once

#include "app/AppCommand.h"
#include "platform/Result.h"

#include <QObject>
#include <QString>

#include <functional>
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
    enum class Role { primary, secondary, unresponsive };

    // `later`: start() takes the place but does not listen; the instance that adopts its lock
    // does, once it can answer. A start in between waits for that.
    enum class Listening { atStart, later };

    // At the default socket path; when there is none, start() fails with the reason.
    explicit SingleInstance(Listening listening = Listening::atStart);
    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket in $XDG_RUNTIME_DIR, or in a private folder of ours under the temp folder when
    // that is unset; a failure when no private place can be had.
    static Result<QString> defaultSocketPath();

    // Becomes the listening instance, unless one already answers on the socket (secondary).
    // The listening instance holds a lock beside the socket for its whole life, so a socket
    // file is replaced only when no instance holds it: one left behind by a dead instance.
    // A failure says why there can be no instance here (no private folder, no socket, no lock).
    Result<Role> start(int answerTimeoutMs = 3000);

    // The lock of an instance started with Listening::later, still held, for adoptLock() by the
    // instance that listens next in this process, so that no other start takes the place.
    int releaseLock();
    void adoptLock(int lock);

    // Hands a command to the running instance; fine once it confirmed taking it.
    Status send(AppCommand command, int timeoutMs = 3000);

    bool isListening() const;

    // Longest line a client may send; longer input is cut off.
    static constexpr qint64 maxLineLength = 256;

    // A capture whose PNG goes back to the client that asked (`brindlecap full --output`).
    struct CaptureRequest {
        AppCommand command = AppCommand::fullScreen; // area or fullScreen
        QString screen; // an index or a name; empty for the display under the pointer
        bool copy = false;
    };
    // Sends the result to the client and closes its connection; nothing once it has gone.
    using Answer = std::function<void(const QByteArray& result)>;

Q_SIGNALS:
    void commandReceived(AppCommand command);
    void captureRequested(const SingleInstance::CaptureRequest& request,
                          const SingleInstance::Answer& answer);

private:
    // Takes the lock, or says who holds it; nothing once it is ours.
    std::optional<Result<Role>> lockOrAsk(const QString& socketPath, int answerTimeoutMs);
    void accept();
    void readFrom(QLocalSocket* socket);

    Result<QString> m_socketPath;
    QLocalServer* m_server = nullptr;
    int m_lock = -1;
    Listening m_listening = Listening::atStart;
};
