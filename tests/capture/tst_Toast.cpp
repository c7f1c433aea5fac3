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
    // Only lower bounds: a busy machine may run the timers late, never early.
    void replacesTheShownOneAndStaysItsFullSecond() {
        QScreen* screen = QGuiApplication::primaryScreen();
        Toast::show(QStringLiteral("primero"), screen);
        QTest::qWait(500);
        QElapsedTimer clock;
        clock.start();

        Toast::show(QStringLiteral("Copiado y guardado"), screen);

        QCOMPARE(visibleToasts().size(), 1);
        const QPointer<QWidget> toast = visibleToasts()[0];
        // A centred pill 80 points above the bottom of the available area.
        QCOMPARE(screen->availableGeometry().bottom() - toast->geometry().bottom(), 80);
        QVERIFY(qAbs(toast->geometry().center().x() - screen->geometry().center().x()) <= 1);
        QVERIFY(QTest::qWaitFor([&] { return !toast || toast->windowOpacity() < 1.0; }, 5000));
        const qint64 fading = clock.elapsed();
        QVERIFY(QTest::qWaitFor([] { return visibleToasts().isEmpty(); }, 5000));
        QVERIFY2(fading >= 1000, qPrintable(QString::number(fading)));
        QVERIFY2(clock.elapsed() >= 1300, qPrintable(QString::number(clock.elapsed())));
    }
};

QTEST_MAIN(tst_Toast)
#include "tst_Toast.moc"
