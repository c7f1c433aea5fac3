// The pinned window's wheel zoom rules. Zooming about the centre after a drag, copying and closing
// are tst_PinnedWindows's, on the real X server.
#include "pinned/PinnedCapture.h"

#include <QTest>

class tst_PinnedCapture : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The widths of a 400-point window after each event in turn.
    void wheelSizesStepwiseWithinLimits_data() {
        QTest::addColumn<double>("delta");
        QTest::addColumn<bool>("precise");
        QTest::addColumn<QList<double>>("widths");
        QTest::newRow("hard down shrinks a fifth each time, stops at a fifth")
            << -20.0 << false
            << QList<double>{320, 256, 204.8, 163.84, 131.072, 104.8576, 83.88608, 80};
        QTest::newRow("hard up grows at most a fifth, stops at three times")
            << 50.0 << false << QList<double>{480, 576, 691.2, 829.44, 995.328, 1194.3936, 1200};
        QTest::newRow("touchpad delta of 20 enlarges by a tenth")
            << 20.0 << true << QList<double>{440};
    }
    void wheelSizesStepwiseWithinLimits() {
        QFETCH(double, delta);
        QFETCH(bool, precise);
        QFETCH(QList<double>, widths);
        double width = 400;
        for (double expected : widths) {
            width =
                PinnedCapture::zoomedWidth(width, PinnedCapture::wheelFactor(delta, precise), 400);
            QVERIFY2(qAbs(width - expected) < 1e-6, qPrintable(QString::number(width)));
        }
    }
};

QTEST_APPLESS_MAIN(tst_PinnedCapture)
#include "tst_PinnedCapture.moc"
