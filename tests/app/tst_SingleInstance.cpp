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

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
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
        const QTemporaryDir dir;
        const QString path = dir.filePath("brindlecap.socket");
        // Bound, never listened on, closed: what a crashed instance leaves behind.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = addressOf(path);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        SingleInstance server(path);
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
            client.connectToServer(path);
            QVERIFY(client.waitForConnected(1000));
            client.write(message);
            client.flush();
            if (!message.endsWith('\n'))
                client.disconnectFromServer();
            QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);
            QVERIFY2(!client.readAll().contains("OK"), message.left(40).constData());
        }
        for (const AppCommand command : commands)
            QVERIFY(sendFromElsewhere(path, command));

        QCOMPARE(received.size(), commands.size());
        for (qsizetype i = 0; i < commands.size(); ++i)
            QCOMPARE(received[i].first().value<AppCommand>(), commands[i]);
    }

    // Without XDG_RUNTIME_DIR the socket goes into a private folder under the temp folder; a folder
    // of that name that others can enter is refused, and one another local user made first starts
    // no program, which could not tell whether one already runs.
    void fallbackFolderIsOneOnlyThisUserCanEnter() {
        QTemporaryDir tmp;
        const auto restore = fallBackTo(tmp.path());
        const QString folder = tmp.path() + QStringLiteral("/brindlecap-%1").arg(::getuid());

        const Result<QString> socket = SingleInstance::defaultSocketPath();
        const QFile::Permissions made = QFileInfo(folder).permissions();
        QVERIFY(QFile::setPermissions(folder, made | QFile::Permissions(0x77))); // group and others
        const Result<QString> open = SingleInstance::defaultSocketPath();

        QCOMPARE(socket.valueOr({}), folder + "/brindlecap.socket");
        QCOMPARE(made & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY2(!open && open.message().contains(folder), qPrintable(open.message()));
        if (::chown(QFile::encodeName(folder).constData(), ::getuid() + 1, ::getgid()) != 0)
            QSKIP("only root can give a folder to another user");
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        SingleInstance instance;
        QCOMPARE(CommandLine::prepare(CommandLine::parse({}), instance, out, err).value_or(0), 1);
        QVERIFY2(errText.contains(folder + " pertenece a otro usuario"), qPrintable(errText));
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
        sockaddr_un address = addressOf(socket);
        // The child makes system calls only: another thread may hold a lock it would need. It
        // ends with 1 when answered, 2 when it could not even ask.
        const pid_t child = ::fork();
        if (child == 0) {
            const char line[] = "BRINDLECAP 1 area\n";
            char answer[4] = {};
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            const timeval limit{3, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
            if (::setgid(65534) != 0 || ::setuid(65534) != 0 ||
                ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
                ::write(fd, line, sizeof line - 1) != sizeof line - 1)
                ::_exit(2);
            ::_exit(::read(fd, answer, 3) > 0 ? 1 : 0);
        }
        int status = -1;

        QVERIFY(
            QTest::qWaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 10000));

        QCOMPARE(WEXITSTATUS(status), 0);
        QTRY_COMPARE_WITH_TIMEOUT(silent.state(), QLocalSocket::UnconnectedState, 8000);
        QCOMPARE(received.size(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_SingleInstance.moc"
