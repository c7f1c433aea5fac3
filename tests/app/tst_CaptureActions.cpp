// Dispatching the capture commands to whoever registered them: the drawer closes before area
// and full-screen captures, recents only toggles it.
#include "app/CaptureActions.h"

#include <QTest>

class tst_CaptureActions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void perform_data();
    void perform();

private:
    QStringList m_log;
};

void tst_CaptureActions::init() {
    m_log.clear();
    for (const CaptureAction action : CaptureAction::allCases())
        CaptureActions::setHandler(action, [this, action] { m_log << action.rawValue(); });
    CaptureActions::setHideDrawer([this] { m_log << u"hideDrawer"_qs; });
}

void tst_CaptureActions::perform_data() {
    QTest::addColumn<CaptureAction>("action");
    QTest::addColumn<bool>("registered");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("full screen closes the drawer, then captures")
        << CaptureAction(CaptureAction::fullScreen) << true
        << QStringList{"hideDrawer", "fullScreen"};
    QTest::newRow("recents leaves the drawer to its handler")
        << CaptureAction(CaptureAction::recents) << true << QStringList{"recents"};
    QTest::newRow("area nobody registered still closes the drawer")
        << CaptureAction(CaptureAction::area) << false << QStringList{"hideDrawer"};
}

void tst_CaptureActions::perform() {
    QFETCH(CaptureAction, action);
    QFETCH(bool, registered);
    QFETCH(QStringList, expected);
    if (!registered)
        CaptureActions::setHandler(action, {});

    CaptureActions::perform(action);

    QCOMPARE(m_log, expected);
}

QTEST_APPLESS_MAIN(tst_CaptureActions)
#include "tst_CaptureActions.moc"
