// The rules of the next annotation's tool, opacity and sizes, and the changes they announce.
#include "TestHome.h"
#include "editor/ToolState.h"
#include "settings/Prefs.h"

#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(std::optional<Tool>)

using OptTool = std::optional<Tool>;

class tst_ToolState : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { forgetSettings(); }

    void toggled_data() {
        QTest::addColumn<OptTool>("current");
        QTest::addColumn<int>("clicked");
        QTest::addColumn<bool>("sizeBarHidden");
        QTest::addColumn<OptTool>("expected");
        QTest::newRow("from the pointer a click chooses the tool")
            << OptTool() << int(Tool::pen) << true << OptTool(Tool::pen);
        QTest::newRow("a click on another tool chooses it")
            << OptTool(Tool::pen) << int(Tool::rect) << true << OptTool(Tool::rect);
        QTest::newRow("a second click returns to the pointer")
            << OptTool(Tool::pen) << int(Tool::pen) << false << OptTool();
        QTest::newRow("a second click after the size bar closed only brings it back")
            << OptTool(Tool::pen) << int(Tool::pen) << true << OptTool(Tool::pen);
        QTest::newRow("a second click on a tool without size bar returns to the pointer")
            << OptTool(Tool::text) << int(Tool::text) << true << OptTool();
    }

    void toggled() {
        QFETCH(OptTool, current);
        QFETCH(int, clicked);
        QFETCH(bool, sizeBarHidden);

        QTEST(ToolState::toggled(current, Tool::Case(clicked), sizeBarHidden), "expected");
    }

    void stepped_data() {
        QTest::addColumn<double>("result");
        QTest::addColumn<double>("expected");
        QTest::newRow("an opacity off the grid lands on it")
            << ToolState::steppedOpacity(0.42, -1) << 0.35;
        QTest::newRow("plus stops at full opacity") << ToolState::steppedOpacity(0.95, 2) << 1.0;
        QTest::newRow("the marker stops at its largest")
            << ToolState::steppedSize(Tool::marker, 40, 1) << 40.0;
    }

    void stepped() {
        QFETCH(double, result);
        QFETCH(double, expected);

        QCOMPARE(result, expected);
    }

    // Notches turned in order with the tool chosen; the opacity and the tool's size after them.
    void scroll_data() {
        QTest::addColumn<OptTool>("tool");
        QTest::addColumn<QList<double>>("notches");
        QTest::addColumn<double>("opacity");
        QTest::addColumn<double>("size");
        QTest::newRow("a notch with the marker is 0.05 of opacity")
            << OptTool(Tool::marker) << QList<double>{1} << 0.45 << 16.0;
        QTest::newRow("fractions add up to a step and keep the remainder")
            << OptTool(Tool::marker) << QList<double>{1, 0.75, 0.5} << 0.5 << 16.0;
        QTest::newRow("a notch with the pen is one point")
            << OptTool(Tool::pen) << QList<double>{3} << 0.4 << 6.0;
        QTest::newRow("a notch with badges is two points")
            << OptTool(Tool::number) << QList<double>{1} << 0.4 << 28.0;
        QTest::newRow("text ignores the wheel")
            << OptTool(Tool::text) << QList<double>{5} << 0.4 << 3.0;
        QTest::newRow("the pointer ignores the wheel")
            << OptTool() << QList<double>{5} << 0.4 << 3.0;
    }

    void scroll() {
        QFETCH(OptTool, tool);
        QFETCH(QList<double>, notches);
        QFETCH(double, opacity);
        QFETCH(double, size);
        ToolState state;
        state.setTool(tool);

        for (double n : notches)
            state.scroll(n);

        QCOMPARE(state.opacity(), opacity);
        QCOMPARE(state.size(tool.value_or(Tool::pen)), size);
    }

    // Every press is confirmed (a second one brings the size bar back); values persist as stored.
    void changesAreAnnouncedAndStored() {
        ToolState state;
        QSignalSpy tool(&state, &ToolState::toolChanged);

        state.setTool(Tool::pen);
        state.toggle(Tool::pen, true);
        state.stepOpacity(30);
        state.setSize(Tool::arrow, 7.4);

        QCOMPARE(tool.size(), 2);
        QCOMPARE(Prefs::markerOpacity(), 1.0);
        QCOMPARE(Prefs::size(Tool::arrow), 7.0);
    }
};

QTEST_GUILESS_MAIN(tst_ToolState)
#include "tst_ToolState.moc"
