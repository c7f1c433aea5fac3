// The persistent names of the capture actions: they key the stored shortcuts.
#include "settings/CaptureAction.h"

#include <QTest>

using MaybeAction = std::optional<CaptureAction>;
Q_DECLARE_METATYPE(MaybeAction)

class tst_CaptureAction : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void allCasesInMenuOrder();
    void rawValuesRoundTrip();
    void fromRawValueIsStrict_data();
    void fromRawValueIsStrict();
};

void tst_CaptureAction::allCasesInMenuOrder() {
    const auto& cases = CaptureAction::allCases();

    QCOMPARE(cases.size(), 3u);
    QCOMPARE(CaptureAction::Case(cases[0]), CaptureAction::area);
    QCOMPARE(CaptureAction::Case(cases[1]), CaptureAction::fullScreen);
    QCOMPARE(CaptureAction::Case(cases[2]), CaptureAction::recents);
}

void tst_CaptureAction::rawValuesRoundTrip() {
    for (CaptureAction action : CaptureAction::allCases()) {
        const MaybeAction back = CaptureAction::fromRawValue(action.rawValue());

        QVERIFY(back);
        QCOMPARE(CaptureAction::Case(*back), CaptureAction::Case(action));
    }
}

void tst_CaptureAction::fromRawValueIsStrict_data() {
    QTest::addColumn<QString>("raw");
    QTest::addColumn<MaybeAction>("expected");

    QTest::newRow("recents") << "recents" << MaybeAction(CaptureAction::recents);
    QTest::newRow("fullScreen") << "fullScreen" << MaybeAction(CaptureAction::fullScreen);
    QTest::newRow("capitalised") << "Recents" << MaybeAction();
    QTest::newRow("lower-cased camel case") << "fullscreen" << MaybeAction();
    QTest::newRow("trailing blank") << "recents " << MaybeAction();
    QTest::newRow("empty") << "" << MaybeAction();
}

void tst_CaptureAction::fromRawValueIsStrict() {
    QFETCH(QString, raw);
    QFETCH(MaybeAction, expected);

    const MaybeAction action = CaptureAction::fromRawValue(raw);

    QCOMPARE(action.has_value(), expected.has_value());
    if (expected)
        QCOMPARE(CaptureAction::Case(*action), CaptureAction::Case(*expected));
}

QTEST_APPLESS_MAIN(tst_CaptureAction)
#include "tst_CaptureAction.moc"
