#include "app/SingleInstance.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Sends from another thread, as a second process would, while this thread serves.
bool sendFromElsewhere(const QString& path, AppCommand command) {
    QFuture<bool> sent = QtConcurrent::run([path, command] {
        SingleInstance client(path);
        return client.send(command, 2000).ok();
    });
    while (!sent.isFinished())
        QTest::qWait(5);
    return sent.result();
}

} // namespace

class tst_SingleInstance : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void replacesAStaleSocketAndServesOnlyWellFormedCommands();
    void defaultPathIsAFolderOnlyThisUserCanEnter();

private:
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath("brindlecap.socket"); }
};

// A socket left by a crashed instance is replaced; clients that send anything but one
// well-formed line are dropped unanswered, and the server keeps serving every command after them.
void tst_SingleInstance::replacesAStaleSocketAndServesOnlyWellFormedCommands() {
    // Bound, never listened on, closed: what a crashed instance leaves behind.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{AF_UNIX, {}};
    const QByteArray encoded = QFile::encodeName(path());
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    SingleInstance server(path());
    QCOMPARE(server.start().valueOr(SingleInstance::Role::secondary),
             SingleInstance::Role::primary);
    QSignalSpy received(&server, &SingleInstance::commandReceived);
    const QByteArray badMessages[] = {"BRINDLE 1 area\n",
                                      "BRINDLECAP 2 area\n",
                                      "BRINDLECAP 1 delete-everything\n",
                                      "BRINDLECAP 1 area now\n",
                                      "BRINDLECAP 1 area",
                                      QByteArray(100000, 'A') + '\n',
                                      QByteArray("\x00\xff\xfe\x01\n\x80\x81", 7)};
    const QList<AppCommand> commands{AppCommand::reopen,     AppCommand::area,
                                     AppCommand::fullScreen, AppCommand::recents,
                                     AppCommand::settings,   AppCommand::quit};

    for (const QByteArray& message : badMessages) {
        QLocalSocket client;
        client.connectToServer(path());
        QVERIFY(client.waitForConnected(1000));
        client.write(message);
        client.flush();
        if (!message.endsWith('\n'))
            client.disconnectFromServer();
        QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);
        QVERIFY2(!client.readAll().contains("OK"), message.left(40).constData());
    }
    for (const AppCommand command : commands)
        QVERIFY(sendFromElsewhere(path(), command));

    QCOMPARE(received.size(), commands.size());
    for (qsizetype i = 0; i < commands.size(); ++i)
        QCOMPARE(received[i].first().value<AppCommand>(), commands[i]);
}

// Without XDG_RUNTIME_DIR the socket goes into a private folder under the temp folder; a folder
// of that name that others can enter is refused.
void tst_SingleInstance::defaultPathIsAFolderOnlyThisUserCanEnter() {
    const auto restore =
        qScopeGuard([runtime = qgetenv("XDG_RUNTIME_DIR"), tmp = qgetenv("TMPDIR")] {
            qputenv("XDG_RUNTIME_DIR", runtime);
            qputenv("TMPDIR", tmp);
        });
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(m_dir.path()));
    const QString folder = m_dir.path() + QStringLiteral("/brindlecap-%1").arg(::getuid());

    const Result<QString> socket = SingleInstance::defaultSocketPath();
    const QFile::Permissions made = QFileInfo(folder).permissions();
    QVERIFY(QFile::setPermissions(folder, made | QFile::Permissions(0x77))); // group and others
    const Result<QString> refused = SingleInstance::defaultSocketPath();

    QCOMPARE(socket.valueOr(QString()), folder + "/brindlecap.socket");
    QCOMPARE(made & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!refused);
    QVERIFY(refused.message().contains(folder));
}

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_SingleInstance.moc"
