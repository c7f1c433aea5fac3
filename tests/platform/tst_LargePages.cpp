#include "platform/LargePages.h"

#include <QTest>

class TestLargePages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tunables_data() {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<QByteArray>("tunables");
        QTest::addColumn<QByteArray>("expected"); // empty: no restart

        const QByteArray advised("always [madvise] never\n");
        QTest::newRow("advised, none set")
            << advised << QByteArray() << QByteArray("glibc.malloc.hugetlb=1");
        QTest::newRow("advised, others kept")
            << advised << QByteArray("glibc.malloc.arena_max=2")
            << QByteArray("glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1");
        QTest::newRow("user turned it off")
            << advised << QByteArray("glibc.malloc.hugetlb=0") << QByteArray();
        QTest::newRow("always") << QByteArray("[always] madvise never\n") << QByteArray()
                                << QByteArray();
        QTest::newRow("no such file") << QByteArray() << QByteArray() << QByteArray();
    }

    void tunables() {
        QFETCH(QByteArray, mode);
        QFETCH(QByteArray, tunables);

        QTEST(LargePages::tunablesFor(mode, tunables).value_or(QByteArray()), "expected");
    }
};

QTEST_GUILESS_MAIN(TestLargePages)
#include "tst_LargePages.moc"
