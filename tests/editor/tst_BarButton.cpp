// A toolbar button: the green "on" background, the white symbol drawn at the display's
// resolution, the colour swatch and the click callback.
#include "WidgetPixels.h"
#include "editor/BarButton.h"
#include "editor/Icons.h"
#include "settings/Config.h"

#include <QTest>

class tst_BarButton : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void background_data();
    void background();
    void symbolSharpAtEveryScale_data();
    void symbolSharpAtEveryScale();
    void symbolDrawnAtDeviceResolution();
    void swatch();
    void clickCallsOnClick();
};

void tst_BarButton::background_data() {
    QTest::addColumn<qreal>("scale");
    QTest::addColumn<bool>("on");

    QTest::newRow("on at 1x is green") << qreal(1) << true;
    QTest::newRow("on at 2x is green") << qreal(2) << true;
    QTest::newRow("off at 1x is clear") << qreal(1) << false;
    QTest::newRow("off at 2x is clear") << qreal(2) << false;
}

void tst_BarButton::background() {
    QFETCH(qreal, scale);
    QFETCH(bool, on);
    BarButton button(QStringLiteral("pencil"), QStringLiteral("Lápiz"), nullptr);

    button.setOn(on);
    const QImage image = grabAt(button, scale);

    // Beside the symbol, and the rounded corner that stays clear.
    const QColor side = colorAt(image, QPointF(2, 15));
    QVERIFY2(near(side, on ? Config::leafGreen() : QColor(Qt::transparent)),
             qPrintable(side.name(QColor::HexArgb)));
    QCOMPARE(colorAt(image, QPointF(0, 0)).alpha(), 0);
    QCOMPARE(button.isOn(), on);
}

void tst_BarButton::symbolSharpAtEveryScale_data() {
    QTest::addColumn<qreal>("scale");

    QTest::newRow("1x") << qreal(1);
    QTest::newRow("2x") << qreal(2);
}

void tst_BarButton::symbolSharpAtEveryScale() {
    QFETCH(qreal, scale);
    // The minus bar is 2 points thick from 14 to 16 points down, centred in the button.
    BarButton button(QStringLiteral("minus"), QString(), nullptr);

    const QImage image = grabAt(button, scale);

    const int x = int(15 * scale);
    QCOMPARE(image.pixelColor(x, int(14 * scale) - 1).alpha(), 0);
    QCOMPARE(image.pixelColor(x, int(14 * scale)), QColor(Qt::white));
    QCOMPARE(image.pixelColor(x, int(16 * scale) - 1), QColor(Qt::white));
    QCOMPARE(image.pixelColor(x, int(16 * scale)).alpha(), 0);
}

void tst_BarButton::symbolDrawnAtDeviceResolution() {
    BarButton button(QStringLiteral("pencil"), QString(), nullptr);

    const QImage image = grabAt(button, 2);

    // The 24-point symbol square sits 3 points in; at 2x it holds the 48-pixel rendering, not
    // the 24-pixel one enlarged.
    const QImage expected = Icons::pixmap(QStringLiteral("pencil"), 24, 2)
                                .toImage()
                                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(image.copy(6, 6, 48, 48), expected);
}

void tst_BarButton::swatch() {
    BarButton button;
    const QColor red = QColor::fromRgbF(0.93f, 0.18f, 0.18f);

    button.setSwatch(red, 20);
    const QImage image = grabAt(button, 2);

    QVERIFY(near(colorAt(image, QPointF(15, 15)), red));
    // The white rim lies 1 point inside the 20-point square, 1.5 points wide.
    const QColor rim = colorAt(image, QPointF(15, 6.25));
    QVERIFY2(rim.red() > 200 && rim.green() > 200 && rim.alpha() > 180,
             qPrintable(rim.name(QColor::HexArgb)));
    QCOMPARE(colorAt(image, QPointF(15, 4)).alpha(), 0);
    QCOMPARE(button.swatch(), std::optional<QColor>(red));
}

void tst_BarButton::clickCallsOnClick() {
    int clicks = 0;
    BarButton button(QStringLiteral("xmark"), QStringLiteral("Cerrar (Esc)"), [&] { ++clicks; });

    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(15, 15));

    QCOMPARE(clicks, 1);
    QCOMPARE(button.toolTip(), QStringLiteral("Cerrar (Esc)"));
    QCOMPARE(button.size(), QSize(30, 30));
}

QTEST_MAIN(tst_BarButton)
#include "tst_BarButton.moc"
