// The size and opacity sliders: the value under the pointer on the step grid, when onChange
// fires, and how the value is drawn.
#include "WidgetPixels.h"
#include "editor/SliderTrack.h"

#include <QMouseEvent>
#include <QTest>

namespace {

void send(SliderTrack& slider, QEvent::Type type, double x) {
    const QPointF position(x, slider.height() / 2.0);
    QMouseEvent event(type, position, slider.mapToGlobal(position), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&slider, &event);
}

void press(SliderTrack& slider, double x) {
    send(slider, QEvent::MouseButtonPress, x);
}
void dragTo(SliderTrack& slider, double x) {
    send(slider, QEvent::MouseMove, x);
}

} // namespace

class tst_SliderTrack : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void opacityUnderPointer_data();
    void opacityUnderPointer();
    void taperedSteps_data();
    void taperedSteps();
    void dragWithinOneStepFiresNothing();
    void opacityDrawing();
    void taperedDotGrowsWithValue();
};

void tst_SliderTrack::opacityUnderPointer_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("expected");

    QTest::newRow("far left gives the minimum") << 0.0 << 0.1;
    QTest::newRow("middle (x = 65) gives 0.55") << 65.0 << 0.55;
    QTest::newRow("far right gives the maximum") << 130.0 << 1.0;
    QTest::newRow("beyond the right end stays at the maximum") << 400.0 << 1.0;
    QTest::newRow("left of the view stays at the minimum") << -40.0 << 0.1;
}

void tst_SliderTrack::opacityUnderPointer() {
    QFETCH(double, x);
    QFETCH(double, expected);
    SliderTrack slider(0.1, 1.0, 0.05, false);
    slider.resize(130, 30);
    slider.setValue(0.3);
    QList<double> changes;
    slider.onChange = [&](double v) { changes.append(v); };

    press(slider, x);

    QVERIFY2(qAbs(slider.value() - expected) < 1e-9, qPrintable(QString::number(slider.value())));
    QCOMPARE(changes.size(), 1);
    QCOMPARE(changes.first(), slider.value());
}

void tst_SliderTrack::taperedSteps_data() {
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("width");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("expected");

    // Widths chosen so that one unit of value is two points of track.
    QTest::newRow("marker at the low end") << 4.0 << 40.0 << 2.0 << 88 << 8.0 << 4.0;
    QTest::newRow("marker halfway between 4 and 6 rounds away to 6")
        << 4.0 << 40.0 << 2.0 << 88 << 10.0 << 6.0;
    QTest::newRow("marker just under halfway stays 4") << 4.0 << 40.0 << 2.0 << 88 << 9.9 << 4.0;
    QTest::newRow("marker at the high end") << 4.0 << 40.0 << 2.0 << 88 << 80.0 << 40.0;
    QTest::newRow("number halfway between 16 and 18 rounds away to 18")
        << 16.0 << 48.0 << 2.0 << 80 << 10.0 << 18.0;
    QTest::newRow("number in the middle") << 16.0 << 48.0 << 2.0 << 80 << 40.0 << 32.0;
    QTest::newRow("number at the high end") << 16.0 << 48.0 << 2.0 << 80 << 75.0 << 48.0;
    QTest::newRow("pen halfway between 3 and 4 rounds away to 4")
        << 1.0 << 20.0 << 1.0 << 54 << 13.0 << 4.0;
}

void tst_SliderTrack::taperedSteps() {
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(double, step);
    QFETCH(int, width);
    QFETCH(double, x);
    QFETCH(double, expected);
    SliderTrack slider(lower, upper, step, true);
    slider.resize(width, 30);
    slider.setValue(upper == expected ? lower : upper);

    press(slider, x);

    QCOMPARE(slider.value(), expected);
}

void tst_SliderTrack::dragWithinOneStepFiresNothing() {
    SliderTrack slider(4, 40, 2, true);
    slider.resize(88, 30);
    QList<double> changes;
    slider.onChange = [&](double v) { changes.append(v); };
    press(slider, 44); // 22

    dragTo(slider, 45.5); // 22.75, still 22
    dragTo(slider, 42.5); // 21.25, still 22
    dragTo(slider, 46);   // 23, rounds away to 24

    QCOMPARE(changes, QList<double>({22, 24}));
}

void tst_SliderTrack::opacityDrawing() {
    SliderTrack slider(0.1, 1.0, 0.05, false);
    slider.resize(130, 30);
    const QColor red = QColor::fromRgbF(0.93f, 0.18f, 0.18f);
    slider.setColor(red);
    slider.setValue(0.55); // knob at x = 65

    const QImage image = grabAt(slider, 2);

    QVERIFY(near(colorAt(image, QPointF(30, 15)), red));                        // filled part
    QVERIFY(near(colorAt(image, QPointF(100, 15)), QColor(255, 255, 255, 56))); // rest of track
    QCOMPARE(colorAt(image, QPointF(100, 12)).alpha(), 0);            // the bar is 4 points thick
    QCOMPARE(colorAt(image, QPointF(65 + 5, 15)), QColor(Qt::white)); // knob ring
    // The dot previews the opacity: red at 55 % over the white knob.
    const QColor dot = colorAt(image, QPointF(65, 15));
    QVERIFY2(dot.red() >= 240 && qAbs(dot.green() - 140) < 8,
             qPrintable(dot.name(QColor::HexArgb)));
}

void tst_SliderTrack::taperedDotGrowsWithValue() {
    SliderTrack slider(4, 40, 2, true);
    slider.resize(130, 30);
    slider.setColor(Qt::blue);
    const QPointF highKnob(122, 15);

    slider.setValue(40);
    const QImage high = grabAt(slider, 1);
    slider.setValue(4);
    const QImage low = grabAt(slider, 1);

    // At the top of the range the dot is 9 points wide, at the bottom 2.
    QCOMPARE(colorAt(high, highKnob + QPointF(3, 0)), QColor(Qt::blue));
    QCOMPARE(colorAt(low, QPointF(8, 15) + QPointF(3, 0)), QColor(Qt::white));
    // The wedge is 10 points thick at its high end.
    QVERIFY(colorAt(low, QPointF(120, 11)).alpha() > 40);
    QCOMPARE(colorAt(low, QPointF(120, 9)).alpha(), 0);
}

QTEST_MAIN(tst_SliderTrack)
#include "tst_SliderTrack.moc"
