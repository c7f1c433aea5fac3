// Dispatching the capture commands to whoever registered them: the drawer closes before area
// and full-screen captures, recents only toggles it, and a delayed capture goes through the
// countdown first.
#include "app/CaptureActions.h"

#include <QTest>

class tst_CaptureActions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void performRunsTheActionsHandler_data();
    void performRunsTheActionsHandler();
    void unregisteredActionStillClosesTheDrawer();
    void countdownReceivesTheSecondsAndEndsInTheAction();
    void withoutCountdownNothingHappens();

private:
    QStringList m_log;
};

void tst_CaptureActions::init() {
    m_log.clear();
    for (const CaptureAction action : CaptureAction::allCases())
        CaptureActions::setHandler(action, [this, action] { m_log << action.rawValue(); });
    CaptureActions::setHideDrawer([this] { m_log << QStringLiteral("hideDrawer"); });
}

void tst_CaptureActions::cleanup() {
    for (const CaptureAction action : CaptureAction::allCases())
        CaptureActions::setHandler(action, {});
    CaptureActions::setHideDrawer({});
    CaptureActions::setCountdown({});
}

void tst_CaptureActions::performRunsTheActionsHandler_data() {
    QTest::addColumn<CaptureAction>("action");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("area closes the drawer, then captures")
        << CaptureAction(CaptureAction::area) << QStringList{"hideDrawer", "area"};
    QTest::newRow("full screen closes the drawer, then captures")
        << CaptureAction(CaptureAction::fullScreen) << QStringList{"hideDrawer", "fullScreen"};
    QTest::newRow("recents leaves the toggling to the drawer")
        << CaptureAction(CaptureAction::recents) << QStringList{"recents"};
}

void tst_CaptureActions::performRunsTheActionsHandler() {
    QFETCH(CaptureAction, action);
    QFETCH(QStringList, expected);

    CaptureActions::perform(action);

    QCOMPARE(m_log, expected);
}

void tst_CaptureActions::unregisteredActionStillClosesTheDrawer() {
    CaptureActions::setHandler(CaptureAction::area, {});

    CaptureActions::perform(CaptureAction::area);

    QCOMPARE(m_log, QStringList{"hideDrawer"});
}

void tst_CaptureActions::countdownReceivesTheSecondsAndEndsInTheAction() {
    qint64 counted = -1;
    std::function<void()> atEnd;
    CaptureActions::setCountdown([&](qint64 seconds, std::function<void()> then) {
        counted = seconds;
        atEnd = std::move(then);
    });

    CaptureActions::performAfterCountdown(5, CaptureAction::fullScreen);

    QCOMPARE(counted, 5);
    QVERIFY(m_log.isEmpty());
    atEnd();
    QCOMPARE(m_log, (QStringList{"hideDrawer", "fullScreen"}));
}

void tst_CaptureActions::withoutCountdownNothingHappens() {
    CaptureActions::performAfterCountdown(3, CaptureAction::area);

    QVERIFY(m_log.isEmpty());
}

QTEST_APPLESS_MAIN(tst_CaptureActions)
#include "tst_CaptureActions.moc"
