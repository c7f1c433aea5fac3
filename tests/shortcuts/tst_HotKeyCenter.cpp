#include "settings/Prefs.h"
#include "shortcuts/FakeHotKeyBackend.h"
#include "shortcuts/HotKeyCenter.h"

#include <QSettings>
#include <QTest>

namespace {

constexpr quint32 shiftCommand = 768;
constexpr quint32 nineKey = 25, eightKey = 28, zeroKey = 29;

QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brindlecap"),
                     QStringLiteral("Brindlecap"));
}

} // namespace

class tst_HotKeyCenter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void freshSettingsRegisterTheThreeDefaultsInOrder();
    void shortcutsThatAreNotThereAreNoFailure_data();
    void shortcutsThatAreNotThereAreNoFailure();
    void refusedCombinationLandsInFailedAndTheOthersRegister();
    void secondReloadUnregistersFirstAndContinuesTheIds();
    void pressPerformsItsAction();
    void suspendEndsEveryRegistrationUntilTheNextReload();

private:
    FakeHotKeyBackend* m_fake = nullptr;
    QList<CaptureAction> m_performed;
};

void tst_HotKeyCenter::initTestCase() {
    auto fake = std::make_unique<FakeHotKeyBackend>();
    m_fake = fake.get();
    HotKey::useBackend(std::move(fake));
    HotKeyCenter::shared().onAction = [this](CaptureAction action) { m_performed << action; };
}

void tst_HotKeyCenter::init() {
    HotKeyCenter::shared().suspend();
    store().clear();
    m_fake->reset();
    m_performed.clear();
}

void tst_HotKeyCenter::freshSettingsRegisterTheThreeDefaultsInOrder() {
    HotKeyCenter& center = HotKeyCenter::shared();

    center.reload();

    QVERIFY(center.failed().isEmpty());
    QCOMPARE(m_fake->log, QStringList({"register 25/768", "register 28/768", "register 29/768"}));
    const HotKey* area = center.key(CaptureAction::area);
    QVERIFY(area && center.key(CaptureAction::fullScreen) && center.key(CaptureAction::recents));
    QCOMPARE(center.key(CaptureAction::fullScreen)->id(), area->id() + 1);
    QCOMPARE(center.key(CaptureAction::recents)->id(), area->id() + 2);
}

void tst_HotKeyCenter::shortcutsThatAreNotThereAreNoFailure_data() {
    QTest::addColumn<QByteArray>("stored");

    QTest::newRow("cleared (empty value)") << QByteArray();
    QTest::newRow("value that does not decode") << QByteArray("\x01not json");
    QTest::newRow("JSON with a negative key code")
        << QByteArray(R"({"keyCode": -1, "modifiers": 768, "display": "?"})");
}

void tst_HotKeyCenter::shortcutsThatAreNotThereAreNoFailure() {
    QFETCH(QByteArray, stored);
    store().setValue(Prefs::Keys::hotkey(CaptureAction::recents), stored);
    HotKeyCenter& center = HotKeyCenter::shared();

    center.reload();

    QVERIFY(center.failed().isEmpty());
    QCOMPARE(m_fake->registered.size(), size_t(2));
    QVERIFY(center.key(CaptureAction::area));
    QVERIFY(center.key(CaptureAction::fullScreen));
    QVERIFY(!center.key(CaptureAction::recents));
}

void tst_HotKeyCenter::refusedCombinationLandsInFailedAndTheOthersRegister() {
    m_fake->refused.insert({eightKey, shiftCommand});
    HotKeyCenter& center = HotKeyCenter::shared();

    center.reload();

    QCOMPARE(center.failed(), QSet<CaptureAction>{CaptureAction::fullScreen});
    QVERIFY(center.key(CaptureAction::area));
    QVERIFY(!center.key(CaptureAction::fullScreen));
    QVERIFY(center.key(CaptureAction::recents));
    QCOMPARE(center.key(CaptureAction::recents)->id(), center.key(CaptureAction::area)->id() + 2);
}

void tst_HotKeyCenter::secondReloadUnregistersFirstAndContinuesTheIds() {
    HotKeyCenter& center = HotKeyCenter::shared();
    m_fake->refused.insert({zeroKey, shiftCommand});
    center.reload();
    const quint32 firstArea = center.key(CaptureAction::area)->id();
    m_fake->reset();

    center.reload();

    QStringList unregistered = m_fake->log.mid(0, 2);
    unregistered.sort();
    QCOMPARE(unregistered, QStringList({"unregister 25/768", "unregister 28/768"}));
    QCOMPARE(m_fake->log.mid(2),
             QStringList({"register 25/768", "register 28/768", "register 29/768"}));
    QCOMPARE(center.key(CaptureAction::area)->id(), firstArea + 3);
    QCOMPARE(center.key(CaptureAction::recents)->id(), firstArea + 5);
    QVERIFY(center.failed().isEmpty());
}

void tst_HotKeyCenter::pressPerformsItsAction() {
    HotKeyCenter::shared().reload();

    m_fake->press(zeroKey, shiftCommand);
    m_fake->press(nineKey, shiftCommand);

    QCOMPARE(m_performed, QList<CaptureAction>({CaptureAction::recents, CaptureAction::area}));
}

void tst_HotKeyCenter::suspendEndsEveryRegistrationUntilTheNextReload() {
    HotKeyCenter& center = HotKeyCenter::shared();
    center.reload();

    center.suspend();
    const bool heardWhileSuspended = m_fake->press(nineKey, shiftCommand);
    center.reload();
    m_fake->press(nineKey, shiftCommand);

    QVERIFY(!heardWhileSuspended);
    QCOMPARE(m_performed, QList<CaptureAction>({CaptureAction::area}));
}

QTEST_MAIN(tst_HotKeyCenter)
#include "tst_HotKeyCenter.moc"
