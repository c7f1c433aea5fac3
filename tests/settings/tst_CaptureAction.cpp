// The persistent names of the capture actions: they key the stored shortcuts.
#include "settings/CaptureAction.h"

#include <QTest>

class tst_CaptureAction : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fromRawValueIsStrict_data() {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<int>("action");
        QTest::newRow("fullScreen") << "fullScreen" << int(CaptureAction::fullScreen);
        QTest::newRow("recents") << "recents" << int(CaptureAction::recents);
        QTest::newRow("capitalised") << "Recents" << -1;
        QTest::newRow("lower-cased camel case") << "fullscreen" << -1;
        QTest::newRow("trailing blank") << "recents " << -1;
    }
    void fromRawValueIsStrict() {
        QFETCH(QString, raw);
        QFETCH(int, action);

        const auto parsed = CaptureAction::fromRawValue(raw);

        QCOMPARE(parsed ? int(CaptureAction::Case(*parsed)) : -1, action);
        if (parsed)
            QCOMPARE(parsed->rawValue(), raw);
    }
};

QTEST_APPLESS_MAIN(tst_CaptureAction)
#include "tst_CaptureAction.moc"
