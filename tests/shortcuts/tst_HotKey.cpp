#include "shortcuts/FakeHotKeyBackend.h"
#include "shortcuts/HotKey.h"

#include <QGuiApplication>
#include <QTest>

namespace {

constexpr quint32 nineKey = 25;
constexpr quint32 escapeKey = 53;
constexpr quint32 shiftCommand = 768;

} // namespace

class tst_HotKey : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sessionWithoutHotKeyServiceRefusesEverything_data();
    void sessionWithoutHotKeyServiceRefusesEverything();
    void nullBackendRefusesAndStoresNoHandler();
    void idsAreConsecutiveAndRefusalsUseThemUp();
    void registrationCarriesTheLeafSignature();
    void pressRunsOnlyItsOwnHandler();
    void droppedHotKeyIsUnregisteredAndItsPressesSwallowed();
    void handlerMayDropItsOwnHotKey();
    void pressForAnUnknownIdIsSwallowed();

private:
    FakeHotKeyBackend* useFake() {
        auto fake = std::make_unique<FakeHotKeyBackend>();
        FakeHotKeyBackend* raw = fake.get();
        HotKey::useBackend(std::move(fake));
        return raw;
    }
};

void tst_HotKey::sessionWithoutHotKeyServiceRefusesEverything_data() {
    QTest::addColumn<QByteArray>("override");

    QTest::newRow("offscreen session") << QByteArray();
    QTest::newRow("x11 asked for where there is no X server") << QByteArray("x11");
    QTest::newRow("null asked for") << QByteArray("null");
}

void tst_HotKey::sessionWithoutHotKeyServiceRefusesEverything() {
    QFETCH(QByteArray, override);
    qputenv("BRINDLE_HOTKEY_BACKEND", override);

    const std::unique_ptr<HotKeyBackend> backend = makeHotKeyBackend();

    qunsetenv("BRINDLE_HOTKEY_BACKEND");
    QVERIFY(backend);
    QCOMPARE(backend->registerHotKey(nineKey, shiftCommand, {HotKey::signature, 1}), std::nullopt);
}

void tst_HotKey::nullBackendRefusesAndStoresNoHandler() {
    HotKey::useBackend(makeHotKeyBackendNull());
    int runs = 0;

    const auto hotKey = HotKey::create(nineKey, shiftCommand, [&runs] { ++runs; });

    QVERIFY(!hotKey);
    FakeHotKeyBackend* fake = useFake();
    const auto next = HotKey::create(escapeKey, 0, [] {});
    QVERIFY(next);
    for (quint32 id = 0; id < next->id(); ++id) {
        HotKey::handle({HotKey::signature, id});
    }
    QCOMPARE(runs, 0);
    QVERIFY(fake->registered.size() == 1);
}

void tst_HotKey::idsAreConsecutiveAndRefusalsUseThemUp() {
    FakeHotKeyBackend* fake = useFake();
    fake->refused.insert({28, shiftCommand});

    const auto first = HotKey::create(nineKey, shiftCommand, [] {});
    const auto refused = HotKey::create(28, shiftCommand, [] {});
    const auto third = HotKey::create(29, shiftCommand, [] {});

    QVERIFY(first);
    QVERIFY(!refused);
    QVERIFY(third);
    QCOMPARE(third->id(), first->id() + 2);
}

void tst_HotKey::registrationCarriesTheLeafSignature() {
    FakeHotKeyBackend* fake = useFake();

    const auto hotKey = HotKey::create(escapeKey, 0, [] {});

    QVERIFY(hotKey);
    QCOMPARE(fake->registered.size(), size_t(1));
    const HotKeyIdentifier identifier = fake->registered.begin()->second.identifier;
    QCOMPARE(identifier.signature, 0x4C454146u);
    QCOMPARE(QByteArray::fromHex(QByteArray::number(identifier.signature, 16)), "LEAF");
    QCOMPARE(identifier.id, hotKey->id());
}

void tst_HotKey::pressRunsOnlyItsOwnHandler() {
    FakeHotKeyBackend* fake = useFake();
    QStringList runs;
    const auto nine = HotKey::create(nineKey, shiftCommand, [&runs] { runs << "nine"; });
    const auto escape = HotKey::create(escapeKey, 0, [&runs] { runs << "escape"; });

    fake->press(escapeKey, 0);
    fake->press(nineKey, shiftCommand);
    fake->press(escapeKey, 0);

    QCOMPARE(runs, QStringList({"escape", "nine", "escape"}));
}

void tst_HotKey::droppedHotKeyIsUnregisteredAndItsPressesSwallowed() {
    FakeHotKeyBackend* fake = useFake();
    int runs = 0;
    auto hotKey = HotKey::create(nineKey, shiftCommand, [&runs] { ++runs; });
    const quint32 id = hotKey->id();

    hotKey.reset();
    HotKey::handle({HotKey::signature, id});

    QCOMPARE(runs, 0);
    QVERIFY(fake->registered.empty());
    QCOMPARE(fake->log.last(), QStringLiteral("unregister 25/768"));
}

void tst_HotKey::handlerMayDropItsOwnHotKey() {
    FakeHotKeyBackend* fake = useFake();
    std::unique_ptr<HotKey> escape;
    int runs = 0;
    escape = HotKey::create(escapeKey, 0, [&] {
        escape.reset();
        ++runs;
    });

    fake->press(escapeKey, 0);

    QCOMPARE(runs, 1);
    QVERIFY(!escape);
    QVERIFY(!fake->press(escapeKey, 0));
}

void tst_HotKey::pressForAnUnknownIdIsSwallowed() {
    useFake();
    int runs = 0;
    const auto hotKey = HotKey::create(nineKey, shiftCommand, [&runs] { ++runs; });

    HotKey::handle({HotKey::signature, hotKey->id() + 1000});
    HotKey::handle({0, 0});

    QCOMPARE(runs, 0);
}

QTEST_MAIN(tst_HotKey)
#include "tst_HotKey.moc"
