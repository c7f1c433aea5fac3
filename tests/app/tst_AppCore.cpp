// The program without a display: arguments, commands, the single-instance socket, the launcher.
#include "app/Arguments.h"
#include "app/CaptureActions.h"
#include "app/CommandLine.h"
#include "app/SingleInstance.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QtConcurrent>

#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using Arguments::Kind;
using Arguments::Problem;

namespace {

// The values read, as "output=... screen=... copy search=...", or the culprit of a refusal.
QString found(const Arguments::Parsed& parsed) {
    if (parsed.kind == Kind::usageError)
        return QString::fromStdString(parsed.culprit);
    QStringList values;
    for (const auto& [name, value] :
         {std::pair{"output", parsed.output}, {"screen", parsed.screen}, {"search", parsed.search}})
        if (value)
            values << name + (u'=' + QString::fromStdString(*value));
    if (parsed.copy)
        values << u"copy"_qs;
    return values.join(u' ');
}

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

} // namespace

class tst_AppCore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The command line both the launcher and the program read.
    void parse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<Problem>("problem");
        QTest::addColumn<QString>("found");
        const auto accepted = [](const char* name, QStringList arguments, const char* found,
                                 Kind kind = Kind::command) {
            QTest::newRow(name) << arguments << kind << Problem::none << QString::fromUtf8(found);
        };
        const auto refused = [](const char* name, QStringList arguments, Problem problem,
                                const QString& culprit) {
            QTest::newRow(name) << arguments << Kind::usageError << problem << culprit;
        };

        accepted("nothing launches", {}, "", Kind::launch);
        accepted("a plain command", {"recents"}, "");
        accepted("full to a file, with the screen and the clipboard",
                 {"full", "--output", "a b.png", "--screen", "RIGHT", "--copy"},
                 "output=a b.png screen=RIGHT copy");
        accepted("values after equals signs, in any order",
                 {"full", "--screen=1", "--output=x.png"}, "output=x.png screen=1");
        accepted("recents searches for words, blanks and all",
                 {"recents", "--search", "conexión rechazada"}, "search=conexión rechazada");
        refused("version takes nothing after it", {"--version", "full"}, Problem::extraArgument,
                "full");
        refused("output at the end has no value", {"full", "--output"}, Problem::missingValue,
                "--output");
        refused("an option is no value for output", {"full", "--output", "--copy"},
                Problem::missingValue, "--output");
        refused("an empty value is none", {"recents", "--search="}, Problem::missingValue,
                "--search");
        refused("output twice", {"full", "--output", "a", "--output=b"}, Problem::repeatedOption,
                "--output");
        refused("a screen name with a blank cannot travel",
                {"full", "--output", "a", "--screen", "HDMI 1"}, Problem::invalidValue, "HDMI 1");
        refused("area has no screen to choose", {"area", "--output", "a", "--screen", "1"},
                Problem::optionNotForCommand, "--screen");
        refused("recents writes no file", {"recents", "--output", "a"},
                Problem::optionNotForCommand, "--output");
        refused("a capture has nothing to search", {"full", "--search", "x"},
                Problem::optionNotForCommand, "--search");
        refused("copy alone is what full does anyway", {"full", "--copy"},
                Problem::optionNeedsOutput, "--copy");
        refused("a misspelt option", {"full", "--out", "a"}, Problem::unknownOption, "--out");
        refused("an unknown command", {"capture"}, Problem::unknownCommand, "capture");
    }

    void parse() {
        QFETCH(QStringList, arguments);
        std::vector<QByteArray> encoded;
        for (const QString& argument : arguments)
            encoded.push_back(argument.toUtf8());

        const Arguments::Parsed parsed =
            Arguments::parse(std::vector<std::string_view>(encoded.begin(), encoded.end()));

        QTEST(parsed.kind, "kind");
        QTEST(parsed.problem, "problem");
        QTEST(found(parsed), "found");
    }

    // Dispatching the capture commands to whoever registered them: the drawer closes before area
    // and full-screen captures, recents only toggles it.
    void captureClosesTheDrawerFirstAndRecentsLeavesIt() {
        QStringList log;
        for (const CaptureAction action : CaptureAction::allCases())
            CaptureActions::setHandler(action, [&log, action] { log << action.rawValue(); });
        CaptureActions::setHideDrawer([&log] { log << u"hideDrawer"_qs; });
        CaptureActions::setHandler(CaptureAction::area, {});

        CaptureActions::perform(CaptureAction::fullScreen);
        CaptureActions::perform(CaptureAction::recents);
        CaptureActions::perform(CaptureAction::area); // nobody registered: the drawer still closes

        QCOMPARE(log, (QStringList{"hideDrawer", "fullScreen", "recents", "hideDrawer"}));
    }

    // What the command line answers without starting or asking the program.
    void answeredWithoutTheProgram_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QStringList>("err");

        QTest::newRow("--help") << QStringList{"--help"} << 0 << "Uso: brindlecap [orden"
                                << QStringList();
        QTest::newRow("the socket's reopen word is no command: usage and status 2")
            << QStringList{"reopen"} << 2 << "" << QStringList{"«reopen»", "Uso: brindlecap"};
        QTest::newRow("a capture for a script is the launcher's to serve")
            << QStringList{"full", "--output", "a.png"} << 2 << "" << QStringList{"brindlecap-app"};
    }

    void answeredWithoutTheProgram() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, out);
        QFETCH(QStringList, err);
        QString outText, errText;
        QTextStream outStream(&outText), errStream(&errText);
        SingleInstance instance(m_dir.filePath(QTest::currentDataTag()));

        const auto result =
            CommandLine::prepare(CommandLine::parse(arguments), instance, outStream, errStream);

        QTEST(result.value_or(-1), "status");
        QVERIFY2(outText.contains(out) && out.isEmpty() == outText.isEmpty(), qPrintable(outText));
        for (const QString& part : err)
            QVERIFY2(errText.contains(part), qPrintable(errText));
        QCOMPARE(errText.isEmpty(), err.isEmpty());
        QVERIFY(!instance.isListening());
    }

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
        // Without XDG_RUNTIME_DIR, with `tmp` as the temporary folder, until the test ends.
        const auto restore =
            qScopeGuard([runtime = qgetenv("XDG_RUNTIME_DIR"), old = qgetenv("TMPDIR")] {
                qputenv("XDG_RUNTIME_DIR", runtime);
                qputenv("TMPDIR", old);
            });
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QFile::encodeName(tmp.path()));
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

    // The `brindlecap` launcher against the program's real socket server. (Last: it points
    // XDG_RUNTIME_DIR at a folder of its own.) A program that stops answering (stopped, its queue
    // of connections full) must neither hang whoever calls it nor be replaced by a second program:
    // both the launcher and a direct start say so and fail, and the program, resumed, is still the
    // one that answers.
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
        sockaddr_un address = addressOf(socket);
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

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_AppCore)
#include "tst_AppCore.moc"
