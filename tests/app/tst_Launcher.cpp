#include "app/SingleInstance.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

// The `brindlecap` launcher against the program's real socket server.
class tst_Launcher : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A program that stops answering (stopped, its queue of connections full) must neither hang
    // whoever calls it nor be replaced by a second program: both the launcher and a direct start
    // say so and fail, and the program, resumed, is still the one that answers.
    void unresponsiveProgramIsReportedAndLeftAlone() {
        const QTemporaryDir runtime;
        QFile::setPermissions(runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        const QString socket = runtime.filePath(QStringLiteral("brindlecap.socket"));
        const QString bin = qEnvironmentVariable("BRINDLE_BINARY_DIR") + QStringLiteral("/src/");
        const QString programPath = bin + "brindlecap-app", launcherPath = bin + "brindlecap";
        QProcess program;
        program.start(programPath, {});
        const auto cleanUp = qScopeGuard([&] {
            ::kill(pid_t(program.processId()), SIGCONT);
            program.kill();
            program.waitForFinished();
        });
        // Answering proves it is past its start-up and listens for good.
        QTRY_VERIFY_WITH_TIMEOUT(SingleInstance(socket).send(AppCommand::settings, 1000).ok(),
                                 30000);
        QCOMPARE(::kill(pid_t(program.processId()), SIGSTOP), 0);
        sockaddr_un address{AF_UNIX, {}};
        const QByteArray encoded = QFile::encodeName(socket);
        std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
        std::vector<int> queued; // until the queue is full; all closed at the end
        do
            queued.push_back(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        while (queued.size() < 4096 &&
               ::connect(queued.back(), reinterpret_cast<sockaddr*>(&address), sizeof address) ==
                   0);
        const auto inode = [&] {
            struct stat info {};
            ::stat(QFile::encodeName(socket).constData(), &info);
            return info.st_ino;
        };
        const ino_t listening = inode();

        for (const QString& caller : {launcherPath, programPath}) {
            QProcess start;
            start.start(caller, {});
            QVERIFY2(start.waitForFinished(30000), qPrintable(caller));
            QCOMPARE(start.exitCode(), 1);
            QVERIFY(start.readAllStandardError().contains("en ejecución pero no responde"));
        }
        QCOMPARE(inode(), listening);
        ::kill(pid_t(program.processId()), SIGCONT);
        for (const int fd : queued)
            ::close(fd);
        QProcess quit;
        quit.start(launcherPath, {"quit"});

        QVERIFY(quit.waitForFinished(30000));
        QCOMPARE(quit.exitCode(), 0);
        QVERIFY(program.waitForFinished(30000));
    }
};

QTEST_GUILESS_MAIN(tst_Launcher)
#include "tst_Launcher.moc"
