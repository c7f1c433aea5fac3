// The tray menu's commands, the shortcut texts it shows and the captures folder, on the X server
// without a tray host (so the icon stays unseen); then with one (trayer, started here): the host
// is seen once it appears, and quitting from the menu ends the program cleanly even though the
// icon is embedded in another client's window.
#include "TestHome.h"
#include "app/AppDelegate.h"
#include "app/CaptureActions.h"
#include "app/TrayHost.h"
#include "settings/Prefs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QProcess>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

class tst_AppDelegate : public QObject {
    Q_OBJECT

public Q_SLOTS:
    void openUrl(const QUrl& url) { m_opened << url; }

private Q_SLOTS:
    void initTestCase() { QDesktopServices::setUrlHandler(u"file"_qs, this, "openUrl"); }

    void init() {
        forgetSettings();
        m_performed.clear();
        for (const CaptureAction action : CaptureAction::allCases())
            CaptureActions::setHandler(action,
                                       [this, action] { m_performed << action.rawValue(); });
        m_delegate = std::make_unique<AppDelegate>();
        m_delegate->buildStatusItem();
    }

    void cleanup() {
        m_delegate.reset();
        CaptureActions::setCountdown({});
    }

    // Captures from the menu wait until it has gone from the screen; the captures folder is
    // created before it is opened, and one that cannot be made is named in the failure.
    void commandsFromTheMenuAndTheCapturesFolder() {
        QList<qint64> counted;
        std::function<void()> atEnd;
        CaptureActions::setCountdown([&](qint64 seconds, std::function<void()> then) {
            counted << seconds;
            atEnd = std::move(then);
        });
        const QString folder = QDir::homePath() + u"/Capturas/nuevas/aquí"_qs;
        QDir(QDir::homePath() + u"/Capturas"_qs).removeRecursively();
        Prefs::setSaveFolder(folder);

        menu()->actions().at(1)->trigger(); // full screen
        QVERIFY(m_performed.isEmpty());
        QTRY_COMPARE(m_performed, QStringList{"fullScreen"});
        m_performed.clear();
        menu()->actions().at(4)->menu()->actions().at(2)->trigger();
        QCOMPARE(counted, QList<qint64>{3});
        QVERIFY(m_performed.isEmpty());
        atEnd();
        menu()->actions().at(5)->trigger();

        QCOMPARE(m_performed, QStringList{"fullScreen"});
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(folder)});
        Prefs::setSaveFolder(unmakeableFolder(folder + u"/archivo"_qs, u"dentro"_qs));
        const Status blocked = AppDelegate::openCapturesFolder();
        QCOMPARE(blocked.message(),
                 u"No se pudo abrir la carpeta «%1/archivo/dentro»"_qs.arg(folder));
        QCOMPARE(m_opened.size(), 1);
    }

    // The modifiers come from the stored flags, never from the stored text (their names are
    // KeyCombo's); named keys and a removed shortcut show nothing.
    void menuShowsEachShortcut_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* name, quint32 keyCode, quint32 modifiers,
                            const QString& display, const QString& shown) {
            QTest::newRow(name) << KeyCombo{keyCode, modifiers, display}.toJson() << shown;
        };

        row("digit", 25, KeyCombo::shift | KeyCombo::command, u"⇧⌘9"_qs,
            u"Capturar área | Shift+Ctrl+9"_qs);
        row("named key", 49, KeyCombo::command, u"Ctrl+Espacio"_qs, u"Capturar área"_qs);
        QTest::newRow("removed") << QByteArray() << u"Capturar área"_qs;
    }

    void menuShowsEachShortcut() {
        QFETCH(QByteArray, stored);
        QFETCH(QString, shown);
        QSettings(QSettings::NativeFormat, QSettings::UserScope, u"Brindlecap"_qs, u"Brindlecap"_qs)
            .setValue(Prefs::Keys::hotkey(CaptureAction::area), stored);

        menu()->popup(QPoint(10, 10));
        menu()->hide();

        QCOMPARE(
            menu()->actions().first()->text().replace(AppDelegate::shortcutSeparator, u" | "_qs),
            shown);
    }

    // Last: it ends the application.
    void quitEntryEndsTheProgramWithATrayHost() {
        m_delegate.reset();
        // The fixture runs no tray host of its own: the program must see that before one starts.
        QVERIFY(!TrayHost::available());
        QProcess trayHost;
        trayHost.start(u"trayer"_qs, {"--edge", "top", "--align", "left", "--widthtype", "pixel",
                                      "--width", "120", "--heighttype", "pixel", "--height", "28"});
        QVERIFY(trayHost.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(TrayHost::available(), 10000);
        AppDelegate::shared().buildStatusItem();
        QTRY_VERIFY_WITH_TIMEOUT(AppDelegate::shared().statusItem()->geometry().width() > 0, 10000);
        QAction* quit = AppDelegate::shared().statusMenu()->actions().constLast();
        QCOMPARE(quit->text(), u"Salir"_qs);
        QTimer::singleShot(0, quit, &QAction::trigger);
        QTimer::singleShot(5000, this, [] { QCoreApplication::exit(1); });

        const int status = QCoreApplication::exec();

        QCOMPARE(status, 0);
        // The delegate, and with it the docked icon, goes before the application's own teardown.
        QTRY_VERIFY(QCoreApplication::instance()->findChildren<AppDelegate*>().isEmpty());
        trayHost.terminate();
        trayHost.waitForFinished();
    }

private:
    QMenu* menu() const { return m_delegate->statusMenu(); }

    std::unique_ptr<AppDelegate> m_delegate;
    QStringList m_performed;
    QList<QUrl> m_opened;
};

QTEST_MAIN(tst_AppDelegate)
#include "tst_AppDelegate.moc"
