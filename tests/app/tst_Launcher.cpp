#include "app/SingleInstance.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The `brindlecap` launcher against the program's real socket server.
class tst_Launcher : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_runtime = std::make_unique<QTemporaryDir>();
        QVERIFY(m_runtime->isValid());
        QFile::setPermissions(m_runtime->path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void commandsReachTheRunningProgram_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<AppCommand>("expected");
        QTest::newRow("bare run reopens") << QStringList() << AppCommand::reopen;
        QTest::newRow("area") << QStringList{"area"} << AppCommand::area;
        QTest::newRow("full") << QStringList{"full"} << AppCommand::fullScreen;
    }

    void commandsReachTheRunningProgram() {
        QFETCH(QStringList, arguments);
        QFETCH(AppCommand, expected);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime->path()));
        SingleInstance program(SingleInstance::defaultSocketPath().valueOr(QString()));
        QCOMPARE(program.start().valueOr(SingleInstance::Role::secondary),
                 SingleInstance::Role::primary);
        QSignalSpy received(&program, &SingleInstance::commandReceived);

        // Alone in a folder, so the program cannot step in for a launcher that fails.
        const QString alone = m_runtime->filePath(QStringLiteral("brindlecap"));
        QVERIFY(QFile::copy(launcherPath(), alone));
        QProcess launcher;
        launcher.start(alone, arguments);

        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.first().first().value<AppCommand>(), expected);
        QTRY_COMPARE(launcher.state(), QProcess::NotRunning);
        QCOMPARE(launcher.exitCode(), 0);
    }

    // Anything but a command is the program's to answer, with its own messages and status.
    void otherInvocationsRunTheProgram() {
        QProcess launcher;
        launcher.start(launcherPath(), {"captura"});

        QVERIFY(launcher.waitForFinished(10000));
        QCOMPARE(launcher.exitCode(), 2);
        QVERIFY(launcher.readAllStandardError().contains("captura"));
    }

private:
    static QString launcherPath() {
        return qEnvironmentVariable("BRINDLE_BINARY_DIR") + QStringLiteral("/src/brindlecap");
    }

    std::unique_ptr<QTemporaryDir> m_runtime;
};

QTEST_GUILESS_MAIN(tst_Launcher)
#include "tst_Launcher.moc"
