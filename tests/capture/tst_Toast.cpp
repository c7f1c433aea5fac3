#include "capture/Toast.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QWidget>

namespace {

QList<QWidget*> visibleToasts() {
    QList<QWidget*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("Toast") && w->isVisible())
            out.append(w);
    return out;
}

} // namespace

class tst_Toast : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void pillSitsCentredAboveTheBottomOfTheAvailableArea();
    void staysOneSecondThenFadesAway_data();
    void staysOneSecondThenFadesAway();
};

void tst_Toast::cleanup() {
    QTRY_VERIFY_WITH_TIMEOUT(visibleToasts().isEmpty(), 5000);
}

void tst_Toast::pillSitsCentredAboveTheBottomOfTheAvailableArea() {
    QScreen* screen = QGuiApplication::primaryScreen();

    Toast::show(QStringLiteral("Copiado y guardado"), screen);

    QCOMPARE(visibleToasts().size(), 1);
    const QRect pill = visibleToasts()[0]->geometry();
    const QRect area = screen->availableGeometry();
    QCOMPARE(area.y() + area.height() - (pill.y() + pill.height()), 80);
    QVERIFY(qAbs(pill.center().x() - screen->geometry().center().x()) <= 1);
}

void tst_Toast::staysOneSecondThenFadesAway_data() {
    QTest::addColumn<bool>("replacing");
    QTest::newRow("alone") << false;
    QTest::newRow("replacing one shown 0.5 s before, with its full time") << true;
}

// Only lower bounds: a busy machine may run the timers late, never early.
void tst_Toast::staysOneSecondThenFadesAway() {
    QFETCH(bool, replacing);
    if (replacing) {
        Toast::show(QStringLiteral("primero"));
        QTest::qWait(500);
    }
    QElapsedTimer clock;
    clock.start();

    Toast::show(QStringLiteral("Copiado"));

    QCOMPARE(visibleToasts().size(), 1);
    const QPointer<QWidget> toast = visibleToasts()[0];
    QVERIFY(QTest::qWaitFor([&] { return !toast || toast->windowOpacity() < 1.0; }, 5000));
    const qint64 fading = clock.elapsed();
    QVERIFY(QTest::qWaitFor([] { return visibleToasts().isEmpty(); }, 5000));
    const qint64 gone = clock.elapsed();
    QVERIFY2(fading >= 1000, qPrintable(QString::number(fading)));
    QVERIFY2(gone >= 1300, qPrintable(QString::number(gone)));
}

QTEST_MAIN(tst_Toast)
#include "tst_Toast.moc"
