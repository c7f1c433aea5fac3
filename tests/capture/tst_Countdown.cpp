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
    QWidget* p = panel();
    const QLabel* number = p ? p->findChild<QLabel*>(QStringLiteral("number")) : nullptr;
    return number ? number->text() : QString();
}

QScreen* screenNamed(const QString& name) {
    for (QScreen* s : QGuiApplication::screens())
        if (s->name() == name)
            return s;
    return nullptr;
}

} // namespace

class tst_Countdown : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void countsDownOncePerSecondThenActs_data();
    void countsDownOncePerSecondThenActs();
    void secondRunReplacesTheFirstAndOnlyItsActionRuns();
    void cancelDropsTheAction();
    void showsOnTheScreenUnderThePointer_data();
    void showsOnTheScreenUnderThePointer();
};

void tst_Countdown::cleanup() {
    Countdown::cancel();
    QTRY_VERIFY(!panel());
}

void tst_Countdown::countsDownOncePerSecondThenActs_data() {
    QTest::addColumn<int>("seconds");
    QTest::newRow("three seconds") << 3;
    QTest::newRow("one second") << 1;
}

void tst_Countdown::countsDownOncePerSecondThenActs() {
    QFETCH(int, seconds);
    QElapsedTimer clock;
    qint64 panelGoneAt = -1, actedAt = -1;
    clock.start();

    Countdown::run(seconds, [&] { actedAt = clock.elapsed(); });

    // Each number is checked half-way through its second.
    for (int shown = seconds; shown >= 1; --shown) {
        QTest::qWait(int((seconds - shown) * 1000 + 500 - clock.elapsed()));
        QCOMPARE(shownNumber(), QString::number(shown));
    }
    QTRY_VERIFY_WITH_TIMEOUT(!panel(), 1000);
    panelGoneAt = clock.elapsed();
    QCOMPARE(actedAt, -1); // the action waits 0.15 s for the panel to be gone
    QTRY_VERIFY(actedAt >= 0);
    QVERIFY(panelGoneAt >= seconds * 1000);
    QVERIFY(actedAt >= seconds * 1000 + 150);
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

void tst_Countdown::cancelDropsTheAction() {
    bool acted = false;
    Countdown::run(1, [&] { acted = true; });

    Countdown::cancel();

    QTRY_VERIFY(!panel());
    QTest::qWait(1500);
    QVERIFY(!acted);
}

void tst_Countdown::showsOnTheScreenUnderThePointer_data() {
    QTest::addColumn<QString>("screenName");
    QTest::newRow("primary monitor") << QStringLiteral("LEFT");
    QTest::newRow("secondary 2x monitor") << QStringLiteral("RIGHT");
}

void tst_Countdown::showsOnTheScreenUnderThePointer() {
    QFETCH(QString, screenName);
    QScreen* screen = screenNamed(screenName);
    QVERIFY(screen);
    QCursor::setPos(screen, screen->geometry().topLeft() + QPoint(30, 30));
    QTRY_COMPARE(QGuiApplication::screenAt(QCursor::pos()), screen);

    Countdown::run(3, [] {});

    QVERIFY(panel());
    QTRY_COMPARE(panel()->geometry().center(), screen->geometry().center());
    QCOMPARE(panel()->size(), QSize(120, 120));
    QCOMPARE(panel()->screen(), screen);
}

QTEST_MAIN(tst_Countdown)
#include "tst_Countdown.moc"
