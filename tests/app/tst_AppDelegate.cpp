// The tray menu and its commands, the shortcut texts it shows, the captures folder, About, the
// first-run welcome and the start-up order, offscreen (no tray host, so the icon stays unseen).
#include "app/AboutDialog.h"
#include "app/AppDelegate.h"
#include "app/CaptureActions.h"
#include "app/SettingsOverview.h"
#include "app/Translations.h"
#include "settings/Prefs.h"
#include "shortcuts/FakeHotKeyBackend.h"
#include "shortcuts/HotKeyCenter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

namespace {

QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brindlecap"),
                     QStringLiteral("Brindlecap"));
}

// An entry as "title", "title | shortcut" or "---" for a separator.
QStringList describe(const QMenu* menu) {
    QStringList entries;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator())
            entries << QStringLiteral("---");
        else if (!action->shortcut().isEmpty())
            entries << action->text() + u" | "_qs + action->shortcut().toString();
        else
            entries << action->text().replace(AppDelegate::shortcutSeparator, u" | "_qs);
    }
    return entries;
}

QAction* entry(const QMenu* menu, const QString& title) {
    for (QAction* action : menu->actions()) {
        if (action->text().section(AppDelegate::shortcutSeparator, 0, 0) == title)
            return action;
    }
    return nullptr;
}

QMenu* delayedMenu(const QMenu* menu) {
    QAction* item = entry(menu, QStringLiteral("Capturar con retraso"));
    return item ? item->menu() : nullptr;
}

// Opens the menu the way the tray does, so its about-to-show work runs.
void openAndClose(QMenu* menu) {
    menu->popup(QPoint(10, 10));
    menu->hide();
}

} // namespace

class tst_AppDelegate : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void menuListsEveryEntryInOrder();
    void delayedSubmenuListsFourEntriesInOrder();
    void parseDelayed_data();
    void parseDelayed();
    void delayedEntryCountsDownThenPerformsWithoutFurtherDelay();
    void captureEntryPerformsOnlyAfterTheMenuDelay_data();
    void captureEntryPerformsOnlyAfterTheMenuDelay();
    void menuShowsEachShortcut_data();
    void menuShowsEachShortcut();
    void changedShortcutShowsTheNextTimeTheMenuOpens();
    void openingTheCapturesFolderCreatesItFirst();
    void welcomeShowsOnceWithTheLinuxTexts();
    void launchRegistersShortcutsBeforeTheWelcome();
    void aboutShowsVersionAndCreditsInOneWindow();
    void commandsFromASecondInstance();
    void quitEntryEndsTheEventLoop();

public Q_SLOTS:
    void openUrl(const QUrl& url) { m_opened << url; }

private:
    std::unique_ptr<AppDelegate> m_delegate;
    QStringList m_performed;
    QList<QUrl> m_opened;
    FakeHotKeyBackend* m_hotKeys = nullptr;
};

void tst_AppDelegate::initTestCase() {
    QVERIFY(Translations::install(*qApp));
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
    auto fake = std::make_unique<FakeHotKeyBackend>();
    m_hotKeys = fake.get();
    HotKey::useBackend(std::move(fake));
}

void tst_AppDelegate::init() {
    store().clear();
    m_performed.clear();
    m_opened.clear();
    for (const CaptureAction action : CaptureAction::allCases())
        CaptureActions::setHandler(action, [this, action] { m_performed << action.rawValue(); });
    m_delegate = std::make_unique<AppDelegate>();
    m_delegate->buildStatusItem();
}

void tst_AppDelegate::cleanup() {
    m_delegate.reset();
    HotKeyCenter::shared().suspend();
    for (const CaptureAction action : CaptureAction::allCases())
        CaptureActions::setHandler(action, {});
    CaptureActions::setCountdown({});
}

void tst_AppDelegate::menuListsEveryEntryInOrder() {
    QMenu* menu = m_delegate->statusMenu();

    openAndClose(menu);

    QCOMPARE(describe(menu), (QStringList{
                                 "Capturar área | Shift+Ctrl+9",
                                 "Capturar pantalla completa | Shift+Ctrl+8",
                                 "Capturas recientes | Shift+Ctrl+0",
                                 "---",
                                 "Capturar con retraso",
                                 "Abrir carpeta de capturas",
                                 "Configuración… | Ctrl+,",
                                 "---",
                                 "Acerca de Brindlecap",
                                 "---",
                                 "Salir",
                             }));
    for (const CaptureAction action : CaptureAction::allCases())
        QCOMPARE(m_delegate->captureItem(action)->data(), QVariant(action.rawValue()));
    QCOMPARE(m_delegate->statusItem()->contextMenu(), menu);
    QCOMPARE(m_delegate->statusItem()->toolTip(), QStringLiteral("Brindlecap"));
    QVERIFY(!m_delegate->statusItem()->icon().isNull());
}

void tst_AppDelegate::delayedSubmenuListsFourEntriesInOrder() {
    const QMenu* submenu = delayedMenu(m_delegate->statusMenu());
    QVERIFY(submenu);

    QStringList values;
    for (const QAction* action : submenu->actions())
        values << action->data().toString();

    QCOMPARE(describe(submenu),
             (QStringList{"Área en 3 segundos", "Área en 5 segundos",
                          "Pantalla completa en 3 segundos", "Pantalla completa en 5 segundos"}));
    QCOMPARE(values, (QStringList{"area|3", "area|5", "fullScreen|3", "fullScreen|5"}));
}

void tst_AppDelegate::parseDelayed_data() {
    QTest::addColumn<QVariant>("represented");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("action");
    QTest::addColumn<qint64>("seconds");
    const auto row = [](const char* name, const QVariant& value, bool valid,
                        const QString& action = {}, qint64 seconds = 0) {
        QTest::newRow(name) << value << valid << action << seconds;
    };
    row("area for three seconds", u"area|3"_qs, true, "area", 3);
    row("full screen for five seconds", u"fullScreen|5"_qs, true, "fullScreen", 5);
    row("recents is an action too", u"recents|2"_qs, true, "recents", 2);
    row("empty pieces are dropped", u"|area||3|"_qs, true, "area", 3);
    row("a signed number counts", u"area|-2"_qs, true, "area", -2);
    row("the largest 64-bit number fits", u"area|9223372036854775807"_qs, true, "area",
        std::numeric_limits<qint64>::max());
    row("a number past 64 bits does nothing", u"area|9223372036854775808"_qs, false);
    row("a second piece that is no number does nothing", u"area|tres"_qs, false);
    row("a number with a blank does nothing", u"area| 3"_qs, false);
    row("a number with a fraction does nothing", u"area|3.5"_qs, false);
    row("nothing after the bar does nothing", u"area|"_qs, false);
    row("no bar at all does nothing", u"area"_qs, false);
    row("a first piece naming no action does nothing", u"window|3"_qs, false);
    row("an action name in other letter case does nothing", u"Area|3"_qs, false);
    row("three pieces do nothing", u"area|3|5"_qs, false);
    row("the empty text does nothing", u""_qs, false);
    row("a value that is not text counts as empty", QVariant(3), false);
    row("no value counts as empty", QVariant(), false);
}

void tst_AppDelegate::parseDelayed() {
    QFETCH(QVariant, represented);
    QFETCH(bool, valid);
    QFETCH(QString, action);
    QFETCH(qint64, seconds);

    const std::optional<AppDelegate::Delayed> delayed = AppDelegate::parseDelayed(represented);

    QCOMPARE(delayed.has_value(), valid);
    if (valid) {
        QCOMPARE(delayed->action.rawValue(), action);
        QCOMPARE(delayed->seconds, seconds);
    }
}

void tst_AppDelegate::delayedEntryCountsDownThenPerformsWithoutFurtherDelay() {
    QList<qint64> counted;
    std::function<void()> atEnd;
    CaptureActions::setCountdown([&](qint64 seconds, std::function<void()> then) {
        counted << seconds;
        atEnd = std::move(then);
    });
    QAction* item = delayedMenu(m_delegate->statusMenu())->actions().at(2);

    item->trigger();

    QCOMPARE(counted, QList<qint64>{3});
    QVERIFY(m_performed.isEmpty());
    atEnd();
    QCOMPARE(m_performed, QStringList{"fullScreen"});
}

void tst_AppDelegate::captureEntryPerformsOnlyAfterTheMenuDelay_data() {
    QTest::addColumn<CaptureAction>("action");
    for (const CaptureAction action : CaptureAction::allCases())
        QTest::newRow(qPrintable(action.rawValue())) << action;
}

void tst_AppDelegate::captureEntryPerformsOnlyAfterTheMenuDelay() {
    QFETCH(CaptureAction, action);

    m_delegate->captureItem(action)->trigger();

    QVERIFY(m_performed.isEmpty());
    QTRY_COMPARE(m_performed, QStringList{action.rawValue()});
}

void tst_AppDelegate::menuShowsEachShortcut_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("shown");
    const auto combo = [](quint32 keyCode, quint32 modifiers, const QString& display) {
        return KeyCombo{keyCode, modifiers, display}.toJson();
    };
    QTest::newRow("letter with Super and Alt")
        << combo(0, KeyCombo::control | KeyCombo::option, u"Super+Alt+A"_qs)
        << u"Capturar área | Super+Alt+A"_qs;
    QTest::newRow("modifiers come from the flags, not from the stored text")
        << combo(25, KeyCombo::shift | KeyCombo::command, u"⇧⌘9"_qs)
        << u"Capturar área | Shift+Ctrl+9"_qs;
    QTest::newRow("function key shows nothing") << combo(105, 0, u"F13"_qs) << u"Capturar área"_qs;
    QTest::newRow("function key with modifiers shows nothing")
        << combo(105, KeyCombo::command, u"Ctrl+F13"_qs) << u"Capturar área"_qs;
    QTest::newRow("named key shows nothing")
        << combo(49, KeyCombo::command, u"Ctrl+Espacio"_qs) << u"Capturar área"_qs;
    QTest::newRow("arrow key shows nothing")
        << combo(123, KeyCombo::command, u"Ctrl+←"_qs) << u"Capturar área"_qs;
    QTest::newRow("empty display text shows nothing")
        << combo(25, KeyCombo::command, QString()) << u"Capturar área"_qs;
    QTest::newRow("removed shortcut shows nothing") << QByteArray("") << u"Capturar área"_qs;
    QTest::newRow("undecodable value shows nothing") << QByteArray("{") << u"Capturar área"_qs;
}

void tst_AppDelegate::menuShowsEachShortcut() {
    QFETCH(QByteArray, stored);
    QFETCH(QString, shown);
    store().setValue(Prefs::Keys::hotkey(CaptureAction::area), stored);

    openAndClose(m_delegate->statusMenu());

    QCOMPARE(describe(m_delegate->statusMenu()).first(), shown);
    QCOMPARE(describe(m_delegate->statusMenu()).at(1),
             u"Capturar pantalla completa | Shift+Ctrl+8"_qs);
}

void tst_AppDelegate::changedShortcutShowsTheNextTimeTheMenuOpens() {
    QMenu* menu = m_delegate->statusMenu();
    openAndClose(menu);

    Prefs::setCombo(KeyCombo{0, KeyCombo::option, u"Alt+A"_qs}, CaptureAction::recents);
    Prefs::setCombo(std::nullopt, CaptureAction::fullScreen);
    openAndClose(menu);

    QCOMPARE(describe(menu).mid(0, 3),
             (QStringList{"Capturar área | Shift+Ctrl+9", "Capturar pantalla completa",
                          "Capturas recientes | Alt+A"}));
}

void tst_AppDelegate::openingTheCapturesFolderCreatesItFirst() {
    const QString folder = QDir::homePath() + u"/Capturas/nuevas/aquí"_qs;
    QDir(QDir::homePath() + u"/Capturas"_qs).removeRecursively();
    Prefs::setSaveFolder(folder);

    entry(m_delegate->statusMenu(), u"Abrir carpeta de capturas"_qs)->trigger();

    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(folder)});
}

void tst_AppDelegate::welcomeShowsOnceWithTheLinuxTexts() {
    QStringList shown;
    bool storedBeforeShowing = false;
    const auto answer = [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown << box->text() << box->informativeText();
            storedBeforeShowing = Prefs::didShowWelcome();
            box->accept();
        }
    };
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, answer);
    closer.start(20);

    m_delegate->showWelcomeIfFirstRun();
    m_delegate->showWelcomeIfFirstRun();

    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0], u"Brindlecap vive en la bandeja del sistema 🍃"_qs);
    QCOMPARE(shown[1], u"Presiona Shift+Ctrl+9 para capturar un área o Shift+Ctrl+8 para la "
                       "pantalla completa; la captura queda lista para pegar. Puedes cambiar los "
                       "atajos en Configuración….\n\nBrindlecap no necesita ningún permiso para "
                       "capturar la pantalla: puedes empezar ya."_qs);
    QVERIFY(storedBeforeShowing);
    QVERIFY(Prefs::didShowWelcome());
}

void tst_AppDelegate::launchRegistersShortcutsBeforeTheWelcome() {
    AppDelegate delegate;
    m_hotKeys->reset();
    int registeredWhenShown = -1;
    bool menuWhenShown = false;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            registeredWhenShown = int(m_hotKeys->registered.size());
            menuWhenShown = delegate.statusMenu() != nullptr;
            box->accept();
        }
    });
    closer.start(20);

    delegate.launch();
    m_hotKeys->press(25, KeyCombo::shift | KeyCombo::command);

    QCOMPARE(registeredWhenShown, 3);
    QVERIFY(menuWhenShown);
    QCOMPARE(m_performed, QStringList{"area"});
}

void tst_AppDelegate::aboutShowsVersionAndCreditsInOneWindow() {
    entry(m_delegate->statusMenu(), u"Acerca de Brindlecap"_qs)->trigger();
    AboutDialog* first = m_delegate->aboutDialog();
    first->close();
    m_delegate->showAbout();

    QStringList texts;
    for (const QLabel* label : first->findChildren<QLabel*>())
        texts << label->text();

    QCOMPARE(m_delegate->aboutDialog(), first);
    QVERIFY(first->isVisible());
    QCOMPARE(first->windowTitle(), u"Acerca de Brindlecap"_qs);
    QVERIFY(texts.contains(u"Brindlecap"_qs));
    QVERIFY(texts.contains(u"Versión " BRINDLECAP_VERSION ""_qs));
    QVERIFY(texts.contains(u"Capturas de pantalla rápidas con anotaciones.\n"
                           "Hecho con 💚 por Tamrivo."_qs));
}

void tst_AppDelegate::commandsFromASecondInstance() {
    m_delegate->handleCommand(AppCommand::recents);
    m_delegate->handleCommand(AppCommand::reopen);
    m_delegate->handleCommand(AppCommand::settings);

    QCOMPARE(m_performed, QStringList{"recents"});
    QTRY_COMPARE(m_performed, (QStringList{"recents", "area"}));
    QVERIFY(m_delegate->settingsWindow()->isVisible());
    QCOMPARE(m_delegate->settingsWindow()->windowTitle(), u"Configuración de Brindlecap"_qs);
}

void tst_AppDelegate::quitEntryEndsTheEventLoop() {
    QTimer::singleShot(0, this,
                       [this] { entry(m_delegate->statusMenu(), u"Salir"_qs)->trigger(); });
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, this, [] { QCoreApplication::exit(1); });
    guard.start(5000);

    const int status = QCoreApplication::exec();

    QCOMPARE(status, 0);
}

QTEST_MAIN(tst_AppDelegate)
#include "tst_AppDelegate.moc"
