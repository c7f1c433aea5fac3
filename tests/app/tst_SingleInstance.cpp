#include "app/SingleInstance.h"

#include <QFile>
#include <QLocalSocket>
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
    while (!sent.isFinished()) {
        QTest::qWait(5);
    }
    return sent.result();
}

// A socket file whose owner died without removing it: bound, never listened on, closed.
void leaveDeadSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

} // namespace

class tst_SingleInstance : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void commandsReachTheRunningInstance_data();
    void commandsReachTheRunningInstance();
    void badMessagesAreIgnoredAndTheServerKeepsWorking_data();
    void badMessagesAreIgnoredAndTheServerKeepsWorking();
    void secondInstanceFindsTheRunningOne();
    void leftoverSocketFileOfADeadInstanceIsReplaced_data();
    void leftoverSocketFileOfADeadInstanceIsReplaced();
    void sendWithNothingRunningFails();
    void folderOthersCanEnterIsRefused();
    void defaultPathFallsBackToAPrivateTempFolder();
    void defaultPathRefusesATempFolderOthersCanEnter();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    const QByteArray m_tmpdir = qgetenv("TMPDIR");
    const QByteArray m_runtimeDir = qgetenv("XDG_RUNTIME_DIR");
    QString path() const { return m_dir->filePath("brindlecap.socket"); }
};

void tst_SingleInstance::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_SingleInstance::cleanup() {
    qputenv("TMPDIR", m_tmpdir);
    qputenv("XDG_RUNTIME_DIR", m_runtimeDir);
    m_dir.reset();
}

void tst_SingleInstance::commandsReachTheRunningInstance_data() {
    QTest::addColumn<AppCommand>("command");

    QTest::newRow("reopen") << AppCommand::reopen;
    QTest::newRow("area") << AppCommand::area;
    QTest::newRow("full screen") << AppCommand::fullScreen;
    QTest::newRow("recents") << AppCommand::recents;
    QTest::newRow("settings") << AppCommand::settings;
    QTest::newRow("quit") << AppCommand::quit;
}

void tst_SingleInstance::commandsReachTheRunningInstance() {
    QFETCH(AppCommand, command);
    SingleInstance server(path());
    QCOMPARE(server.start(), SingleInstance::Role::primary);
    QSignalSpy received(&server, &SingleInstance::commandReceived);

    const bool sent = sendFromElsewhere(path(), command);

    QVERIFY(sent);
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.first().first().value<AppCommand>(), command);
}

void tst_SingleInstance::badMessagesAreIgnoredAndTheServerKeepsWorking_data() {
    QTest::addColumn<QByteArray>("message");

    QTest::newRow("wrong tag") << QByteArray("BRINDLE 1 area\n");
    QTest::newRow("newer protocol version") << QByteArray("BRINDLECAP 2 area\n");
    QTest::newRow("unknown command") << QByteArray("BRINDLECAP 1 delete-everything\n");
    QTest::newRow("command in other letter case") << QByteArray("BRINDLECAP 1 AREA\n");
    QTest::newRow("extra word") << QByteArray("BRINDLECAP 1 area now\n");
    QTest::newRow("empty line") << QByteArray("\n");
    QTest::newRow("line never ended") << QByteArray("BRINDLECAP 1 area");
    QTest::newRow("oversized line") << QByteArray(100000, 'A') + '\n';
    QTest::newRow("oversized line that ends well")
        << QByteArray(300, ' ') + QByteArray("BRINDLECAP 1 area\n");
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
    if (!message.endsWith('\n') && message.size() < 1000) {
        client.disconnectFromServer();
    }
    QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);

    QCOMPARE(received.size(), 0);
    QVERIFY(!client.readAll().contains("OK"));
    QVERIFY(sendFromElsewhere(path(), AppCommand::area));
    QCOMPARE(received.size(), 1);
}

void tst_SingleInstance::secondInstanceFindsTheRunningOne() {
    SingleInstance first(path());
    SingleInstance second(path());

    const SingleInstance::Role firstRole = first.start();
    const SingleInstance::Role secondRole = second.start();

    QCOMPARE(firstRole, SingleInstance::Role::primary);
    QCOMPARE(secondRole, SingleInstance::Role::secondary);
    QVERIFY(first.isListening());
    QVERIFY(!second.isListening());
}

void tst_SingleInstance::leftoverSocketFileOfADeadInstanceIsReplaced_data() {
    QTest::addColumn<bool>("socketFile");

    QTest::newRow("socket nobody listens on") << true;
    QTest::newRow("plain file in the socket's place") << false;
}

void tst_SingleInstance::leftoverSocketFileOfADeadInstanceIsReplaced() {
    QFETCH(bool, socketFile);
    if (socketFile) {
        leaveDeadSocket(path());
    } else {
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QFile::exists(path()));
    SingleInstance server(path());
    QSignalSpy received(&server, &SingleInstance::commandReceived);

    const SingleInstance::Role role = server.start();

    QCOMPARE(role, SingleInstance::Role::primary);
    QVERIFY(sendFromElsewhere(path(), AppCommand::settings));
    QCOMPARE(received.size(), 1);
}

void tst_SingleInstance::sendWithNothingRunningFails() {
    SingleInstance client(path());

    const bool sent = client.send(AppCommand::area, 500);

    QVERIFY(!sent);
    QVERIFY(!client.errorString().isEmpty());
}

void tst_SingleInstance::folderOthersCanEnterIsRefused() {
    const QString open = m_dir->filePath("open");
    QVERIFY(QDir().mkdir(open));
    QVERIFY(::chmod(QFile::encodeName(open).constData(), 0755) == 0);
    SingleInstance server(open + "/brindlecap.socket");

    const SingleInstance::Role role = server.start();

    QCOMPARE(role, SingleInstance::Role::failed);
    QVERIFY(!server.isListening());
    QVERIFY(!server.errorString().isEmpty());
}

void tst_SingleInstance::defaultPathFallsBackToAPrivateTempFolder() {
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(m_dir->path()));

    const QString socket = SingleInstance::defaultSocketPath();

    const QString folder = m_dir->path() + QStringLiteral("/brindlecap-%1").arg(::getuid());
    QCOMPARE(socket, folder + "/brindlecap.socket");
    struct stat info {};
    QCOMPARE(::lstat(QFile::encodeName(folder).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, mode_t(0700));
    SingleInstance server(socket);
    QCOMPARE(server.start(), SingleInstance::Role::primary);
}

void tst_SingleInstance::defaultPathRefusesATempFolderOthersCanEnter() {
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(m_dir->path()));
    const QString folder = m_dir->path() + QStringLiteral("/brindlecap-%1").arg(::getuid());
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0777) == 0);
    QString error;

    const QString socket = SingleInstance::defaultSocketPath(&error);

    QVERIFY(socket.isEmpty());
    QVERIFY(error.contains(folder));
}

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_SingleInstance.moc"
