#include "app/CommandLine.h"
#include "app/SingleInstance.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

// What the command line answers without starting or asking the program; the rest of the grammar
// is tst_Arguments's table.
class tst_CommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answeredWithoutTheProgram_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QStringList>("err");

        QTest::newRow("--help") << QStringList{"--help"} << 0 << "Uso: brindlecap [orden"
                                << QStringList();
        QTest::newRow("-h") << QStringList{"-h"} << 0 << "Uso: brindlecap [orden" << QStringList();
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

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_CommandLine.moc"
