// The autostart entry: the command line desktops run at login, and when an entry counts as on.
#include "TestHome.h"
#include "platform/Autostart.h"

#include <QTest>

class tst_Autostart : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void execLine_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("line");
        const auto row = [](const char* name, const char* program, const char* line) {
            QTest::newRow(name) << QString::fromUtf8(program) << QString::fromUtf8(line);
        };
        row("spaces stay inside the quotes", "/opt/my apps/brindlecap",
            R"("/opt/my apps/brindlecap")");
        row("quote, dollar and backquote take a backslash, doubled by the value", R"(/a"b$c`d)",
            R"("/a\\"b\\$c\\`d")");
        row("a backslash becomes four", R"(/a\b)", R"("/a\\\\b")");
        row("a percent sign is no field code", "/100%/b", R"("/100%%/b")");
    }
    void execLine() {
        QFETCH(QString, program);

        QTEST(Autostart::execLine(program), "line");
    }

    void isEnabled_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("an entry is on") << QByteArray("[Desktop Entry]\nExec=x\n") << true;
        QTest::newRow("Hidden=true switches it off")
            << QByteArray("[Desktop Entry]\nHidden = true\nExec=x\n") << false;
    }
    void isEnabled() {
        QFETCH(QByteArray, contents);
        QVERIFY(writeWholeFile(Autostart::filePath(), contents));

        QTEST(Autostart::isEnabled(), "enabled");
    }
};

QTEST_GUILESS_MAIN(tst_Autostart)
#include "tst_Autostart.moc"
