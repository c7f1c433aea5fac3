#include "app/CommandLine.h"
#include "app/SingleInstance.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

class tst_CommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<CommandLine::Kind>("kind");
        QTest::addColumn<AppCommand>("command");
        using K = CommandLine::Kind;

        // The rest of the grammar is tst_Arguments's table.
        QTest::newRow("-h") << QStringList{"-h"} << K::help << AppCommand::reopen;
        QTest::newRow("the socket's reopen word is no command")
            << QStringList{"reopen"} << K::usageError << AppCommand::reopen;
    }

    void parse() {
        QFETCH(QStringList, arguments);
        QFETCH(CommandLine::Kind, kind);
        QFETCH(AppCommand, command);

        const CommandLine::Invocation invocation = CommandLine::parse(arguments);

        QCOMPARE(invocation.kind, kind);
        QCOMPARE(invocation.problem.isEmpty(), kind != CommandLine::Kind::usageError);
        if (kind != CommandLine::Kind::usageError)
            QCOMPARE(invocation.command, command);
    }

    void answeredWithoutTheProgram_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QStringList>("err");

        QTest::newRow("help") << QStringList{"--help"} << 0 << "Uso: brindlecap [orden"
                              << QStringList();
        QTest::newRow("unknown command: usage and status 2")
            << QStringList{"capture"} << 2 << "" << QStringList{"«capture»", "Uso: brindlecap"};
        QTest::newRow("a capture for a script is the launcher's to serve")
            << QStringList{"full", "--output", "a.png"} << 2 << "" << QStringList{"brindlecap-app"};
    }

    void answeredWithoutTheProgram() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QStringList, err);
        QString outText, errText;
        QTextStream outStream(&outText), errStream(&errText);
        SingleInstance instance(m_dir.filePath(QTest::currentDataTag()));

        const auto result =
            CommandLine::prepare(CommandLine::parse(arguments), instance, outStream, errStream);

        QCOMPARE(result, std::optional<int>(status));
        QVERIFY2(outText.contains(out) && out.isEmpty() == outText.isEmpty(), qPrintable(outText));
        for (const QString& part : err)
            QVERIFY2(errText.contains(part), qPrintable(errText));
        QCOMPARE(errText.isEmpty(), err.isEmpty());
        QVERIFY(!instance.isListening());
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_CommandLine.moc"
