// Dispatching the capture commands to whoever registered them: the drawer closes before area
// and full-screen captures, recents only toggles it.
#include "app/CaptureActions.h"

#include <QTest>

class tst_CaptureActions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void captureClosesTheDrawerFirstAndRecentsLeavesIt();
};

void tst_CaptureActions::captureClosesTheDrawerFirstAndRecentsLeavesIt() {
    QStringList log;
    for (const CaptureAction action : CaptureAction::allCases())
        CaptureActions::setHandler(action, [&log, action] { log << action.rawValue(); });
    CaptureActions::setHideDrawer([&log] { log << u"hideDrawer"_qs; });
    CaptureActions::setHandler(CaptureAction::area, {});

    CaptureActions::perform(CaptureAction::fullScreen);
    CaptureActions::perform(CaptureAction::recents);
    CaptureActions::perform(CaptureAction::area); // nobody registered: the drawer still closes

    QCOMPARE(log, (QStringList{"hideDrawer", "fullScreen", "recents", "hideDrawer"}));
}

QTEST_APPLESS_MAIN(tst_CaptureActions)
#include "tst_CaptureActions.moc"
