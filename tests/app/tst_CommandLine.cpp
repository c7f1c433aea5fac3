#include "app/CommandLine.h"
#include "app/SingleInstance.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QtConcurrent>

class tst_CommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void helpAndVersionPrintToStandardOutput_data();
    void helpAndVersionPrintToStandardOutput();
    void usageErrorPrintsUsageToStandardErrorWithStatus2();
    void launchWithNothingRunningBecomesTheInstance();
    void quitWithNothingRunningJustExits();
    void commandGoesToTheRunningInstance();

private:
    QTemporaryDir m_dir;
    QString socketPath(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
};

void tst_CommandLine::parse_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CommandLine::Kind>("kind");
    QTest::addColumn<AppCommand>("command");

    using K = CommandLine::Kind;
    QTest::newRow("no arguments launch or reopen")
        << QStringList{} << K::launch << AppCommand::reopen;
    QTest::newRow("area") << QStringList{"area"} << K::command << AppCommand::area;
    QTest::newRow("full is the full-screen capture")
        << QStringList{"full"} << K::command << AppCommand::fullScreen;
    QTest::newRow("recents") << QStringList{"recents"} << K::command << AppCommand::recents;
    QTest::newRow("settings") << QStringList{"settings"} << K::command << AppCommand::settings;
    QTest::newRow("quit") << QStringList{"quit"} << K::command << AppCommand::quit;
    QTest::newRow("--help") << QStringList{"--help"} << K::help << AppCommand::reopen;
    QTest::newRow("-h") << QStringList{"-h"} << K::help << AppCommand::reopen;
    QTest::newRow("--version") << QStringList{"--version"} << K::version << AppCommand::reopen;
    QTest::newRow("unknown word") << QStringList{"capture"} << K::usageError << AppCommand::reopen;
    QTest::newRow("the socket's reopen word is no command")
        << QStringList{"reopen"} << K::usageError << AppCommand::reopen;
    QTest::newRow("commands are case-sensitive")
        << QStringList{"Area"} << K::usageError << AppCommand::reopen;
    QTest::newRow("empty argument") << QStringList{""} << K::usageError << AppCommand::reopen;
    QTest::newRow("extra argument after a command")
        << QStringList{"area", "now"} << K::usageError << AppCommand::area;
    QTest::newRow("extra argument after --help")
        << QStringList{"--help", "area"} << K::usageError << AppCommand::reopen;
}

void tst_CommandLine::parse() {
    QFETCH(QStringList, arguments);
    QFETCH(CommandLine::Kind, kind);
    QFETCH(AppCommand, command);

    const CommandLine::Invocation invocation = CommandLine::parse(arguments);

    QCOMPARE(invocation.kind, kind);
    if (kind == CommandLine::Kind::usageError) {
        QVERIFY(!invocation.problem.isEmpty());
    } else {
        QCOMPARE(invocation.command, command);
    }
}

void tst_CommandLine::helpAndVersionPrintToStandardOutput_data() {
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("expected");

    QTest::newRow("help") << "--help"
                          << "Uso: brindlecap [orden]";
    QTest::newRow("version") << "--version"
                             << "Brindlecap " BRINDLECAP_VERSION;
}

void tst_CommandLine::helpAndVersionPrintToStandardOutput() {
    QFETCH(QString, argument);
    QFETCH(QString, expected);
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    SingleInstance instance(socketPath("help"));

    const auto status = CommandLine::prepare(CommandLine::parse({argument}), instance, out, err);

    QCOMPARE(status, std::optional<int>(0));
    QVERIFY2(outText.contains(expected), qPrintable(outText));
    QVERIFY(errText.isEmpty());
    QVERIFY(!instance.isListening());
}

void tst_CommandLine::usageErrorPrintsUsageToStandardErrorWithStatus2() {
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    SingleInstance instance(socketPath("usage"));

    const auto status = CommandLine::prepare(CommandLine::parse({"capture"}), instance, out, err);

    QCOMPARE(status, std::optional<int>(2));
    QVERIFY(outText.isEmpty());
    QVERIFY2(errText.contains("«capture»"), qPrintable(errText));
    QVERIFY(errText.contains("Uso: brindlecap [orden]"));
    QVERIFY(!instance.isListening());
}

void tst_CommandLine::launchWithNothingRunningBecomesTheInstance() {
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    SingleInstance instance(socketPath("launch"));

    const auto status = CommandLine::prepare(CommandLine::parse({}), instance, out, err);

    QCOMPARE(status, std::nullopt);
    QVERIFY(instance.isListening());
    QVERIFY(errText.isEmpty());
}

void tst_CommandLine::quitWithNothingRunningJustExits() {
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    std::optional<int> status;

    {
        SingleInstance instance(socketPath("quit"));
        status = CommandLine::prepare(CommandLine::parse({"quit"}), instance, out, err);
    }

    QCOMPARE(status, std::optional<int>(0));
    QVERIFY(!QFile::exists(socketPath("quit")));
    QVERIFY(errText.isEmpty());
}

void tst_CommandLine::commandGoesToTheRunningInstance() {
    SingleInstance running(socketPath("running"));
    QCOMPARE(running.start(), SingleInstance::Role::primary);
    QSignalSpy received(&running, &SingleInstance::commandReceived);
    const QString path = socketPath("running");

    QFuture<std::optional<int>> status = QtConcurrent::run([path] {
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        SingleInstance second(path);
        return CommandLine::prepare(CommandLine::parse({"recents"}), second, out, err);
    });
    QTRY_VERIFY(status.isFinished());

    QCOMPARE(status.result(), std::optional<int>(0));
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.first().first().value<AppCommand>(), AppCommand::recents);
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_CommandLine.moc"
