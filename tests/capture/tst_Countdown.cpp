#include "capture/Countdown.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QLabel>
#include <QScreen>
#include <QTest>

namespace {

QWidget* panel() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("Countdown") && w->isVisible())
            return w;
    return nullptr;
}

QString shownNumber() {
    const QLabel* number =
        panel() ? panel()->findChild<QLabel*>(QStringLiteral("number")) : nullptr;
    return number ? number->text() : QString();
}

} // namespace

class tst_Countdown : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void countsDownOncePerSecondUnderThePointerThenActs_data();
    void countsDownOncePerSecondUnderThePointerThenActs();
    void secondRunReplacesTheFirstAndOnlyItsActionRuns();
};

void tst_Countdown::cleanup() {
    Countdown::cancel();
    QTRY_VERIFY(!panel());
}

void tst_Countdown::countsDownOncePerSecondUnderThePointerThenActs_data() {
    QTest::addColumn<int>("seconds");
    QTest::newRow("three seconds") << 3;
    QTest::newRow("one second") << 1;
}

// Only order and lower bounds: a busy machine may run the timers late, never early.
void tst_Countdown::countsDownOncePerSecondUnderThePointerThenActs() {
    QFETCH(int, seconds);
    QElapsedTimer clock;
    QStringList shown, expected;
    for (int n = seconds; n >= 1; --n)
        expected.append(QString::number(n));
    qint64 actedAt = -1;
    bool panelUpWhenActing = true;
    QScreen* right = QGuiApplication::screenAt(QPoint(1930, 10));
    QVERIFY(right && right->devicePixelRatio() == 2.0);
    QCursor::setPos(right, right->geometry().topLeft() + QPoint(30, 30));
    QTRY_COMPARE(QGuiApplication::screenAt(QCursor::pos()), right);
    clock.start();

    Countdown::run(seconds, [&] {
        actedAt = clock.elapsed();
        panelUpWhenActing = panel();
    });

    QVERIFY(panel());
    QCOMPARE(panel()->screen(), right);
    QTRY_COMPARE(panel()->geometry().center(), right->geometry().center());
    QVERIFY(QTest::qWaitFor(
        [&] {
            if (!shownNumber().isEmpty() && shown.value(shown.size() - 1) != shownNumber())
                shown.append(shownNumber());
            return actedAt >= 0;
        },
        seconds * 1000 + 10000));
    QCOMPARE(shown, expected);
    QVERIFY(!panelUpWhenActing);
    QVERIFY2(actedAt >= seconds * 1000 + 150, qPrintable(QString::number(actedAt)));
}

void tst_Countdown::secondRunReplacesTheFirstAndOnlyItsActionRuns() {
    int firstRuns = 0, secondRuns = 0;
    Countdown::run(3, [&] { ++firstRuns; });
    QTest::qWait(300);

    Countdown::run(1, [&] { ++secondRuns; });

    QCOMPARE(shownNumber(), QStringLiteral("1"));
    QTRY_COMPARE(secondRuns, 1);
    QTest::qWait(3000);
    QCOMPARE(firstRuns, 0);
    QCOMPARE(secondRuns, 1);
}

QTEST_MAIN(tst_Countdown)
#include "tst_Countdown.moc"
