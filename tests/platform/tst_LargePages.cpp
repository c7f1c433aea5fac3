#include "platform/LargePages.h"

#include <QTest>

class TestLargePages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tunables_data() {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<QByteArray>("tunables");
        QTest::addColumn<QByteArray>("expected"); // empty: no restart

        const auto row = [](const char* name, const char* mode, const char* tunables,
                            const char* expected) {
            QTest::newRow(name) << QByteArray(mode) << QByteArray(tunables) << QByteArray(expected);
        };
        const char* advised = "always [madvise] never\n";
        row("advised, none set", advised, "", "glibc.malloc.hugetlb=1");
        row("advised, others kept", advised, "glibc.malloc.arena_max=2",
            "glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1");
        row("user turned it off", advised, "glibc.malloc.hugetlb=0", "");
        row("always", "[always] madvise never\n", "", "");
        row("no such file", "", "", "");
    }

    void tunables() {
        QFETCH(QByteArray, mode);
        QFETCH(QByteArray, tunables);

        QTEST(LargePages::tunablesFor(mode, tunables).value_or(QByteArray()), "expected");
    }
};

QTEST_GUILESS_MAIN(TestLargePages)
#include "tst_LargePages.moc"
