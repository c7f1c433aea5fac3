#include "shortcuts/FakeHotKeyBackend.h"
#include "shortcuts/HotKey.h"

#include <QGuiApplication>
#include <QTest>

namespace {
constexpr quint32 nineKey = 25, eightKey = 28, escapeKey = 53, shiftCtrl = 768;
} // namespace

class tst_HotKey : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void sessionWithoutHotKeyServiceRefusesEverything();
    void idsCountOnThroughRefusalsAndOnlyLiveHotKeysRun();
    void handlerMayDropItsOwnHotKey();

private:
    FakeHotKeyBackend* m_fake = nullptr;
};

void tst_HotKey::init() {
    auto fake = std::make_unique<FakeHotKeyBackend>();
    m_fake = fake.get();
    HotKey::useBackend(std::move(fake));
}

void tst_HotKey::sessionWithoutHotKeyServiceRefusesEverything() {
    qputenv("BRINDLE_HOTKEY_BACKEND", "x11");

    const std::unique_ptr<HotKeyBackend> backend = makeHotKeyBackend();

    qunsetenv("BRINDLE_HOTKEY_BACKEND");
    QVERIFY(backend);
    QCOMPARE(backend->registerHotKey(nineKey, shiftCtrl, {HotKey::signature, 1}), std::nullopt);
}

void tst_HotKey::idsCountOnThroughRefusalsAndOnlyLiveHotKeysRun() {
    m_fake->refused.insert({eightKey, shiftCtrl});
    QStringList runs;
    auto nine = HotKey::create(nineKey, shiftCtrl, [&runs] { runs << "nine"; });
    const auto refused = HotKey::create(eightKey, shiftCtrl, [&runs] { runs << "refused"; });
    const auto escape = HotKey::create(escapeKey, 0, [&runs] { runs << "escape"; });
    QVERIFY(nine && escape && !refused);
    const quint32 nineId = nine->id();

    m_fake->press(escapeKey, 0);
    m_fake->press(nineKey, shiftCtrl);
    HotKey::handle({HotKey::signature, nineId + 1}); // the refused one's id
    nine.reset();
    HotKey::handle({HotKey::signature, nineId});

    QCOMPARE(escape->id(), nineId + 2);
    QCOMPARE(runs, QStringList({"escape", "nine"}));
    QCOMPARE(m_fake->registered.size(), size_t(1));
}

void tst_HotKey::handlerMayDropItsOwnHotKey() {
    std::unique_ptr<HotKey> escape;
    int runs = 0;
    escape = HotKey::create(escapeKey, 0, [&] {
        escape.reset();
        ++runs;
    });

    m_fake->press(escapeKey, 0);

    QCOMPARE(runs, 1);
    QVERIFY(!escape);
    QVERIFY(!m_fake->press(escapeKey, 0));
}

QTEST_MAIN(tst_HotKey)
#include "tst_HotKey.moc"
