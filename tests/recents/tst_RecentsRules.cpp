// Recents rules: the drawer's layout and drag, and finding captures by their text.
#include "recents/DrawerLayout.h"
#include "recents/TextMatch.h"

#include <QTest>

class tst_RecentsRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Where the recents drawer goes, what its header leaves out and when a press becomes a drag,
    // on the rules' edge cases. (Where the header's parts sit shows in screenshots.)
    void panelWidth_data() {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("visibleWidth");
        QTest::addColumn<int>("width");

        QTest::newRow("two entries still fit the 640-point strip and its margins")
            << 2 << 1920 << 672;
        // Three entries widen it by their last tile: tst_RecentsDrawer, end to end.
        QTest::newRow("twenty entries are capped 20 points inside each screen edge")
            << 20 << 1920 << 1880;
        QTest::newRow("a narrow screen caps even the empty drawer") << 0 << 600 << 560;
    }
    void panelWidth() {
        QFETCH(int, entries);
        QFETCH(int, visibleWidth);

        QTEST(DrawerLayout::panelWidth(entries, visibleWidth), "width");
    }

    // With Vaciar 50 points wide: the hint is left out within 12 points of the title, the search
    // field with less than 80 points of room.
    void headerLeavesOutWhatWouldCrowdTheTitle() {
        const auto header = [](int width, bool search) {
            return DrawerLayout::header(width, QSize(170, 17), QSize(430, 14), QSize(50, 20),
                                        search ? std::optional(QSize(200, 22)) : std::nullopt);
        };

        QVERIFY(header(707, false).hint && !header(706, false).hint);
        QVERIFY(header(356, true).search && !header(355, true).search);
    }

    void pressThatMovesMoreThanFourPointsDrags_data() {
        QTest::addColumn<QPointF>("moved");
        QTest::addColumn<bool>("drags");

        QTest::newRow("4 points sideways: still a click") << QPointF(-4, 0) << false;
        QTest::newRow("4 points on a slant: still a click") << QPointF(2.4, 3.2) << false;
        QTest::newRow("just past 4 points down: a drag") << QPointF(0, 4.01) << true;
    }
    void pressThatMovesMoreThanFourPointsDrags() {
        QFETCH(QPointF, moved);

        QTEST(DrawerLayout::startsDrag(moved), "drags");
    }

    // The rule that finds captures by their text: every word of the query, ignoring case (shown
    // end to end by tst_RecentsDrawer) and accents. Where the caption marks the words is seen in
    // the drawer.
    void matches_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("matches");
        const auto row = [](const char* name, const char* query, bool matches,
                            const QStringList& lines = {u"Error: connection refused"_qs,
                                                        u"Acción no permitida"_qs}) {
            QTest::newRow(name) << QString::fromUtf8(query) << lines << matches;
        };

        row("an accent-free query finds the accented word", "accion", true);
        row("an accented query finds the accent-free word", "Érror", true);
        row("text that came decomposed matches too", "accion", true, {u"Accio\u0301n"_qs});
        row("every word must appear, in any order and line", "permitida  refused", true);
        row("one missing word fails the match", "refused timeout", false);
        row("part of a word is found", "conn", true);
        row("a capture without text never matches", "a", false, {});
        row("a query of blanks matches every capture", "  \t ", true, {});
    }
    void matches() {
        QFETCH(QString, query);
        QFETCH(QStringList, lines);

        QTEST(TextMatch::matches(query, lines), "matches");
    }
};

QTEST_APPLESS_MAIN(tst_RecentsRules)
#include "tst_RecentsRules.moc"
