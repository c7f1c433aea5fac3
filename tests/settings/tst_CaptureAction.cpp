// The persistent names of the capture actions: they key the stored shortcuts.
#include "settings/CaptureAction.h"

#include <QTest>

class tst_CaptureAction : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fromRawValueIsStrict() {
        for (CaptureAction action : CaptureAction::allCases())
            QCOMPARE(CaptureAction::fromRawValue(action.rawValue()), std::optional(action));

        for (const char* raw : {"Recents", "fullscreen", "recents "})
            QVERIFY2(!CaptureAction::fromRawValue(QString::fromLatin1(raw)), raw);
        QCOMPARE(CaptureAction(CaptureAction::fullScreen).rawValue(), "fullScreen");
    }
};

QTEST_APPLESS_MAIN(tst_CaptureAction)
#include "tst_CaptureAction.moc"
