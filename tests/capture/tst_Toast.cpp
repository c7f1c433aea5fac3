#include "capture/Toast.h"

#include <QApplication>
#include <QElapsedTimer>
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
    void longerMessageMakesAWiderPillStillCentred();
    void neverTakesFocusNorInput();
    void staysOneSecondThenFadesAway();
    void newToastReplacesTheOldOneAndKeepsItsFullTime();
};

void tst_Toast::cleanup() {
    QTRY_VERIFY_WITH_TIMEOUT(visibleToasts().isEmpty(), 3000);
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

void tst_Toast::longerMessageMakesAWiderPillStillCentred() {
    Toast::show(QStringLiteral("Copiado"));
    const QRect shortPill = visibleToasts()[0]->geometry();

    Toast::show(QStringLiteral("Copiado, pero no se pudo guardar en la carpeta"));

    const QRect longPill = visibleToasts()[0]->geometry();
    QVERIFY(longPill.width() > shortPill.width());
    QVERIFY(qAbs(longPill.center().x() - shortPill.center().x()) <= 1);
    QCOMPARE(longPill.height(), shortPill.height());
}

void tst_Toast::neverTakesFocusNorInput() {
    Toast::show(QStringLiteral("Copiado"));

    const QWidget* toast = visibleToasts()[0];
    QVERIFY(toast->windowFlags().testFlag(Qt::WindowTransparentForInput));
    QVERIFY(toast->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    QVERIFY(toast->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!toast->isActiveWindow());
}

void tst_Toast::staysOneSecondThenFadesAway() {
    QElapsedTimer clock;
    clock.start();

    Toast::show(QStringLiteral("Copiado"));

    QWidget* toast = visibleToasts()[0];
    QTest::qWait(900 - int(clock.elapsed()));
    QVERIFY(toast->isVisible());
    QCOMPARE(toast->windowOpacity(), 1.0);
    QTRY_VERIFY_WITH_TIMEOUT(visibleToasts().isEmpty(), 1500);
    QVERIFY(clock.elapsed() >= 1300);
}

void tst_Toast::newToastReplacesTheOldOneAndKeepsItsFullTime() {
    Toast::show(QStringLiteral("primero"));
    QTest::qWait(500);
    QElapsedTimer clock;
    clock.start();

    Toast::show(QStringLiteral("segundo"));

    QCOMPARE(visibleToasts().size(), 1);
    QWidget* second = visibleToasts()[0];
    // The first one's fade would have ended 0.8 s from now.
    QTest::qWait(950 - int(clock.elapsed()));
    QVERIFY(second->isVisible());
    QCOMPARE(second->windowOpacity(), 1.0);
    QTRY_VERIFY_WITH_TIMEOUT(visibleToasts().isEmpty(), 1500);
}

QTEST_MAIN(tst_Toast)
#include "tst_Toast.moc"
