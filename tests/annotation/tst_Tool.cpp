#include "annotation/Tool.h"

#include <QTest>

#include <cmath>

Q_DECLARE_METATYPE(Tool)

class TestTool : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void allCasesFollowToolbarOrder() {
        const auto& cases = Tool::allCases();

        const QList<Tool::Case> order(cases.begin(), cases.end());

        QCOMPARE(order,
                 (QList<Tool::Case>{Tool::pen, Tool::line, Tool::arrow, Tool::rect, Tool::marker,
                                    Tool::text, Tool::number, Tool::pixelate}));
    }

    void sizeLabelIsEmptyOnlyWithoutSizeBar_data() {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<bool>("emptyLabel");
        for (Tool tool : Tool::allCases()) {
            const bool withoutBar = tool == Tool::text || tool == Tool::pixelate;
            QTest::newRow(qPrintable(tool.name())) << tool << withoutBar;
        }
    }
    void sizeLabelIsEmptyOnlyWithoutSizeBar() {
        QFETCH(Tool, tool);
        QFETCH(bool, emptyLabel);

        const QString label = tool.sizeLabel();

        QCOMPARE(label.isEmpty(), emptyLabel);
        QCOMPARE(tool.hasSizeBar(), !emptyLabel);
    }

    void sizeBarReachesItsRangeInEvenSteps_data() {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("last");
        QTest::newRow("marker from 4 to 40") << Tool(Tool::marker) << 4.0 << 40.0;
        QTest::newRow("number from 16 to 48") << Tool(Tool::number) << 16.0 << 48.0;
    }
    void sizeBarReachesItsRangeInEvenSteps() {
        QFETCH(Tool, tool);
        QFETCH(double, first);
        QFETCH(double, last);

        QList<double> sizes;
        for (double s = tool.minSize(); s <= tool.maxSize(); s += tool.sizeStep())
            sizes << s;

        QCOMPARE(sizes.first(), first);
        QCOMPARE(sizes.last(), last);
        for (double s : sizes)
            QCOMPARE(std::fmod(s, 2.0), 0.0);
    }

    void clampSizeKeepsSizesInRange_data() {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<double>("stored");
        QTest::addColumn<double>("clamped");
        QTest::newRow("pen below its range") << Tool(Tool::pen) << 0.0 << 1.0;
        QTest::newRow("rect above its range") << Tool(Tool::rect) << 25.0 << 20.0;
        QTest::newRow("arrow inside its range") << Tool(Tool::arrow) << 7.0 << 7.0;
        QTest::newRow("marker below 4") << Tool(Tool::marker) << 3.0 << 4.0;
        QTest::newRow("number above 48") << Tool(Tool::number) << 50.0 << 48.0;
        QTest::newRow("text is always 3") << Tool(Tool::text) << 10.0 << 3.0;
        QTest::newRow("pixelate is always 3") << Tool(Tool::pixelate) << 1.0 << 3.0;
        QTest::newRow("not a number falls back to the default")
            << Tool(Tool::marker) << std::nan("") << 16.0;
    }
    void clampSizeKeepsSizesInRange() {
        QFETCH(Tool, tool);
        QFETCH(double, stored);
        QFETCH(double, clamped);

        const double size = tool.clampSize(stored);

        QCOMPARE(size, clamped);
    }
};

QTEST_APPLESS_MAIN(TestTool)
#include "tst_Tool.moc"
