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
    void idsAreConsecutiveAndARefusalUsesOneUpWithoutAHandler();
    void pressRunsOnlyItsOwnHandlerUntilDropped();
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

void tst_HotKey::idsAreConsecutiveAndARefusalUsesOneUpWithoutAHandler() {
    m_fake->refused.insert({eightKey, shiftCtrl});
    int refusedRuns = 0;

    const auto first = HotKey::create(nineKey, shiftCtrl, [] {});
    const auto refused = HotKey::create(eightKey, shiftCtrl, [&refusedRuns] { ++refusedRuns; });
    const auto third = HotKey::create(escapeKey, 0, [] {});

    QVERIFY(first && third);
    QVERIFY(!refused);
    QCOMPARE(third->id(), first->id() + 2);
    HotKey::handle({HotKey::signature, first->id() + 1});
    QCOMPARE(refusedRuns, 0);
}

void tst_HotKey::pressRunsOnlyItsOwnHandlerUntilDropped() {
    QStringList runs;
    auto nine = HotKey::create(nineKey, shiftCtrl, [&runs] { runs << "nine"; });
    const auto escape = HotKey::create(escapeKey, 0, [&runs] { runs << "escape"; });
    const quint32 nineId = nine->id();

    m_fake->press(escapeKey, 0);
    m_fake->press(nineKey, shiftCtrl);
    nine.reset();
    HotKey::handle({HotKey::signature, nineId});
    m_fake->press(escapeKey, 0);

    QCOMPARE(runs, QStringList({"escape", "nine", "escape"}));
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
