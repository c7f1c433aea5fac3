#include "app/SingleInstance.h"

#include <QFile>
#include <QLocalSocket>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Sends from another thread, as a second process would, while this thread serves.
bool sendFromElsewhere(const QString& path, AppCommand command) {
    QFuture<bool> sent = QtConcurrent::run([path, command] {
        SingleInstance client(path);
        return client.send(command, 2000);
    });
    while (!sent.isFinished())
        QTest::qWait(5);
    return sent.result();
}

} // namespace

class tst_SingleInstance : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void everyCommandReachesTheRunningInstance();
    void badMessagesAreIgnoredAndTheServerKeepsWorking_data();
    void badMessagesAreIgnoredAndTheServerKeepsWorking();
    void socketLeftByADeadInstanceIsReplaced();
    void defaultPathIsAFolderOnlyThisUserCanEnter();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path() const { return m_dir->filePath("brindlecap.socket"); }
};

void tst_SingleInstance::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_SingleInstance::everyCommandReachesTheRunningInstance() {
    SingleInstance server(path());
    QCOMPARE(server.start(), SingleInstance::Role::primary);
    QSignalSpy received(&server, &SingleInstance::commandReceived);
    const QList<AppCommand> commands{AppCommand::reopen,     AppCommand::area,
                                     AppCommand::fullScreen, AppCommand::recents,
                                     AppCommand::settings,   AppCommand::quit};

    for (const AppCommand command : commands)
        QVERIFY(sendFromElsewhere(path(), command));

    QCOMPARE(received.size(), commands.size());
    for (qsizetype i = 0; i < commands.size(); ++i)
        QCOMPARE(received[i].first().value<AppCommand>(), commands[i]);
}

void tst_SingleInstance::badMessagesAreIgnoredAndTheServerKeepsWorking_data() {
    QTest::addColumn<QByteArray>("message");

    QTest::newRow("wrong tag") << QByteArray("BRINDLE 1 area\n");
    QTest::newRow("newer protocol version") << QByteArray("BRINDLECAP 2 area\n");
    QTest::newRow("unknown command") << QByteArray("BRINDLECAP 1 delete-everything\n");
    QTest::newRow("extra word") << QByteArray("BRINDLECAP 1 area now\n");
    QTest::newRow("line never ended") << QByteArray("BRINDLECAP 1 area");
    QTest::newRow("oversized line") << QByteArray(100000, 'A') + '\n';
    QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe\x01\n\x80\x81", 7);
}

void tst_SingleInstance::badMessagesAreIgnoredAndTheServerKeepsWorking() {
    QFETCH(QByteArray, message);
    SingleInstance server(path());
    QCOMPARE(server.start(), SingleInstance::Role::primary);
    QSignalSpy received(&server, &SingleInstance::commandReceived);
    QLocalSocket client;
    client.connectToServer(path());
    QVERIFY(client.waitForConnected(1000));

    client.write(message);
    client.flush();
    if (!message.endsWith('\n'))
        client.disconnectFromServer();
    QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);

    QCOMPARE(received.size(), 0);
    QVERIFY(!client.readAll().contains("OK"));
    QVERIFY(sendFromElsewhere(path(), AppCommand::area));
    QCOMPARE(received.size(), 1);
}

void tst_SingleInstance::socketLeftByADeadInstanceIsReplaced() {
    // Bound, never listened on, closed: what a crashed instance leaves behind.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{AF_UNIX, {}};
    const QByteArray encoded = QFile::encodeName(path());
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    SingleInstance server(path());
    QSignalSpy received(&server, &SingleInstance::commandReceived);

    const SingleInstance::Role role = server.start();

    QCOMPARE(role, SingleInstance::Role::primary);
    QVERIFY(sendFromElsewhere(path(), AppCommand::settings));
    QCOMPARE(received.size(), 1);
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
    qputenv("TMPDIR", QFile::encodeName(m_dir->path()));
    const QString folder = m_dir->path() + QStringLiteral("/brindlecap-%1").arg(::getuid());
    const QByteArray encoded = QFile::encodeName(folder);
    struct stat info {};
    QString error;

    const QString socket = SingleInstance::defaultSocketPath();
    QCOMPARE(::lstat(encoded.constData(), &info), 0);
    QVERIFY(::chmod(encoded.constData(), 0777) == 0);
    const QString refused = SingleInstance::defaultSocketPath(&error);

    QCOMPARE(socket, folder + "/brindlecap.socket");
    QCOMPARE(info.st_mode & 0777, mode_t(0700));
    QVERIFY(refused.isEmpty());
    QVERIFY(error.contains(folder));
}

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_SingleInstance.moc"
