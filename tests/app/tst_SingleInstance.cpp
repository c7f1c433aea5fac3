#include "app/CommandLine.h"
#include "app/SingleInstance.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
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

sockaddr_un addressOf(const QString& path) {
    sockaddr_un address{AF_UNIX, {}};
    const QByteArray encoded = QFile::encodeName(path);
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    return address;
}

// Without XDG_RUNTIME_DIR, with `tmp` as the temporary folder, until the result is dropped.
auto fallBackTo(const QString& tmp) {
    auto restore = qScopeGuard([runtime = qgetenv("XDG_RUNTIME_DIR"), old = qgetenv("TMPDIR")] {
        qputenv("XDG_RUNTIME_DIR", runtime);
        qputenv("TMPDIR", old);
    });
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(tmp));
    return restore;
}

} // namespace

class tst_SingleInstance : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A socket left by a crashed instance is replaced; clients that send anything but one
    // well-formed line are dropped unanswered, and the server keeps serving every command after
    // them.
    void replacesAStaleSocketAndServesOnlyWellFormedCommands() {
        // Bound, never listened on, closed: what a crashed instance leaves behind.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = addressOf(path());
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        SingleInstance server(path());
        QCOMPARE(server.start().valueOr(SingleInstance::Role::secondary),
                 SingleInstance::Role::primary);
        QSignalSpy received(&server, &SingleInstance::commandReceived);
        const QByteArray badMessages[] = {"BRINDLE 1 area\n",
                                          "BRINDLECAP 2 area\n",
                                          "BRINDLECAP 1 delete-everything\n",
                                          "BRINDLECAP 1 recents --output\n",
                                          "BRINDLECAP 1 area",
                                          QByteArray(100000, 'A') + '\n'};
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
    void defaultPathIsAFolderOnlyThisUserCanEnter() {
        const auto restore = fallBackTo(m_dir.path());
        const QString folder = m_dir.path() + QStringLiteral("/brindlecap-%1").arg(::getuid());

        const Result<QString> socket = SingleInstance::defaultSocketPath();
        const QFile::Permissions made = QFileInfo(folder).permissions();
        QVERIFY(QFile::setPermissions(folder, made | QFile::Permissions(0x77))); // group and others
        const Result<QString> refused = SingleInstance::defaultSocketPath();

        QCOMPARE(socket.valueOr({}), folder + "/brindlecap.socket");
        QCOMPARE(made & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY2(!refused && refused.message().contains(folder), qPrintable(refused.message()));
    }

    // Another local user made the fallback folder first: the start says so and runs no program,
    // which could not tell whether one already runs.
    void foreignFallbackFolderStartsNoProgram() {
        QTemporaryDir tmp;
        const auto restore = fallBackTo(tmp.path());
        const QByteArray folder =
            QFile::encodeName(tmp.path()) + "/brindlecap-" + QByteArray::number(::getuid());
        QCOMPARE(::mkdir(folder.constData(), 0700), 0);
        if (::chown(folder.constData(), ::getuid() + 1, ::getgid()) != 0)
            QSKIP("only root can give a folder to another user");
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        SingleInstance instance;

        const auto status = CommandLine::prepare(CommandLine::parse({}), instance, out, err);

        QCOMPARE(status, std::optional<int>(1));
        QVERIFY2(errText.contains(QString::fromLocal8Bit(folder) + " pertenece a otro usuario"),
                 qPrintable(errText));
        QVERIFY(!instance.isListening());
    }

    // A client that says nothing is let go after a while; one of another user, who reached the
    // socket despite its permissions, is never answered.
    void silentAndForeignClientsAreDropped() {
        QTemporaryDir dir;
        const QString socket = dir.filePath("brindlecap.socket");
        SingleInstance server(socket);
        QCOMPARE(server.start().valueOr(SingleInstance::Role::secondary),
                 SingleInstance::Role::primary);
        QSignalSpy received(&server, &SingleInstance::commandReceived);
        QLocalSocket silent;
        silent.connectToServer(socket);
        QVERIFY(silent.waitForConnected(1000));
        if (::getuid() != 0)
            QSKIP("only root can connect as another user");
        QVERIFY(QFile::setPermissions(dir.path(), QFile::Permissions(0x7755)));
        QVERIFY(QFile::setPermissions(socket, QFile::Permissions(0x7777)));
        const QByteArray line = "BRINDLECAP 1 area\n";
        sockaddr_un address = addressOf(socket);
        const timeval limit{3, 0};
        int result[2];
        QCOMPARE(::pipe2(result, O_NONBLOCK), 0);
        // The child makes system calls only: another thread may hold a lock it would need.
        if (::fork() == 0) {
            char answer[4] = {};
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
            const bool answered =
                ::setgid(65534) == 0 && ::setuid(65534) == 0 &&
                ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                ::write(fd, line.constData(), size_t(line.size())) == line.size() &&
                ::read(fd, answer, 3) > 0;
            ::write(result[1], answered ? "A" : "-", 1);
            ::_exit(0);
        }
        ::close(result[1]);
        char outcome = 0;

        QVERIFY(QTest::qWaitFor([&] { return ::read(result[0], &outcome, 1) == 1; }, 10000));

        ::close(result[0]);
        QCOMPARE(outcome, '-');
        QTRY_COMPARE_WITH_TIMEOUT(silent.state(), QLocalSocket::UnconnectedState, 8000);
        QCOMPARE(received.size(), 0);
    }

private:
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath("brindlecap.socket"); }
};

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_SingleInstance.moc"
