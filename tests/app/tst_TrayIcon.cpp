// The tray icon on a real X server, first without a tray host, then with one (trayer, started
// here): the host is seen once it appears, and quitting from the menu ends the program cleanly
// even though the icon is embedded in another client's window.
#include "app/AppDelegate.h"
#include "app/TrayHost.h"

#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

class tst_TrayIcon : public QObject {
    Q_OBJECT

    QProcess m_trayHost;

private Q_SLOTS:
    void initTestCase() {
        // The fixture runs no tray host of its own: the program must see that before one starts.
        QVERIFY(!TrayHost::available());

        m_trayHost.start(QStringLiteral("trayer"),
                         {"--edge", "top", "--align", "left", "--widthtype", "pixel", "--width",
                          "120", "--heighttype", "pixel", "--height", "28"});
        QVERIFY(m_trayHost.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(TrayHost::available(), 10000);
        AppDelegate::shared().buildStatusItem();
    }

    void cleanupTestCase() {
        m_trayHost.terminate();
        m_trayHost.waitForFinished();
    }

    void quitEntryEndsTheProgram() {
        QTRY_VERIFY_WITH_TIMEOUT(AppDelegate::shared().statusItem()->geometry().width() > 0, 10000);
        QAction* quit = AppDelegate::shared().statusMenu()->actions().constLast();
        QCOMPARE(quit->text(), u"Salir"_qs);
        QTimer::singleShot(0, quit, &QAction::trigger);
        QTimer::singleShot(5000, this, [] { QCoreApplication::exit(1); });

        const int status = QCoreApplication::exec();

        QCOMPARE(status, 0);
        // The delegate, and with it the docked icon, goes before the application's own teardown.
        QTRY_VERIFY(QCoreApplication::instance()->findChildren<AppDelegate*>().isEmpty());
    }
};

QTEST_MAIN(tst_TrayIcon)
#include "tst_TrayIcon.moc"
