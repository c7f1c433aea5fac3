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
        QTest::newRow("spaces stay inside the quotes") << "/opt/my apps/brindlecap"
                                                       << "\"/opt/my apps/brindlecap\"";
        QTest::newRow("quote, dollar and backquote take a backslash, doubled by the value")
            << "/a\"b$c`d"
            << "\"/a\\\\\"b\\\\$c\\\\`d\"";
        QTest::newRow("a backslash becomes four") << "/a\\b"
                                                  << "\"/a\\\\\\\\b\"";
        QTest::newRow("a percent sign is no field code") << "/100%/b"
                                                         << "\"/100%%/b\"";
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
        QVERIFY(writeFile(Autostart::filePath(), contents));

        QTEST(Autostart::isEnabled(), "enabled");
    }
};

QTEST_GUILESS_MAIN(tst_Autostart)
#include "tst_Autostart.moc"
