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

} // namespace

class tst_Countdown : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Only order and lower bounds: a busy machine may run the timers late, never early.
    void replacesTheRunningOneAndCountsDownUnderThePointer() {
        QStringList shown;
        int firstRuns = 0;
        qint64 actedAt = -1;
        bool panelUpWhenActing = true;
        QScreen* right = QGuiApplication::screenAt(QPoint(1930, 10));
        QVERIFY(right && right->devicePixelRatio() == 2.0);
        QCursor::setPos(right, right->geometry().topLeft() + QPoint(30, 30));
        QTRY_COMPARE(QGuiApplication::screenAt(QCursor::pos()), right);
        Countdown::run(3, [&] { ++firstRuns; });
        QTest::qWait(300);
        QElapsedTimer clock;
        clock.start();

        Countdown::run(2, [&] {
            actedAt = clock.elapsed();
            panelUpWhenActing = panel();
        });

        QVERIFY(panel());
        QCOMPARE(panel()->screen(), right);
        QVERIFY(QTest::qWaitFor(
            [&] {
                const auto* number = panel() ? panel()->findChild<QLabel*>(u"number"_qs) : nullptr;
                if (number && !number->text().isEmpty() &&
                    shown.value(shown.size() - 1) != number->text())
                    shown.append(number->text());
                return actedAt >= 0;
            },
            12000));
        QCOMPARE(shown, (QStringList{"2", "1"}));
        QVERIFY(!panelUpWhenActing);
        QVERIFY2(actedAt >= 2150, qPrintable(QString::number(actedAt)));
        QTest::qWait(1000); // past the end of the replaced run
        QCOMPARE(firstRuns, 0);
    }
};

QTEST_MAIN(tst_Countdown)
#include "tst_Countdown.moc"
