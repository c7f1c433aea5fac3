// The text kept beside each history entry: private like the entries, unreadable files read as
// missing (so they are recognised again), gone with their entry, and searched newest first.
#include "EntryPng.h"
#include "TestHome.h"
#include "recents/History.h"
#include "recents/TextIndex.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

int mode(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

} // namespace

class tst_TextIndex : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    const QDateTime m_morning{QDate(2026, 12, 5), QTime(8, 19, 19)};

    QString add(int second) { return History::add(pngOf(QSize(8, 8)), m_morning.addSecs(second)); }

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_DATA_HOME", m_home.path().toUtf8()); }
    void init() { QDir(History::folder()).removeRecursively(); }

    // Removed or pushed out of the history, an entry takes its text along.
    void keptTextIsPrivateAndLeavesWithItsEntry() {
        const QString entry = add(0), other = add(1);

        QVERIFY(TextIndex::keep(entry, {u"Acción"_qs, u"rechazada"_qs}));
        QVERIFY(TextIndex::keep(other, {}));

        QCOMPARE(TextIndex::text(entry).value_or(QStringList{u"none"_qs}),
                 QStringList({u"Acción"_qs, u"rechazada"_qs}));
        QCOMPARE(mode(TextIndex::textPath(entry)), 0600);
        QCOMPARE(mode(QFileInfo(TextIndex::textPath(entry)).path()), 0700);
        QVERIFY(TextIndex::missing().isEmpty());
        QVERIFY(History::remove(entry));
        QVERIFY(!QFile::exists(TextIndex::textPath(entry)));
        QVERIFY(QFile::exists(TextIndex::textPath(other)));
        QVERIFY(!TextIndex::keep(entry, {u"late"_qs}));
        QVERIFY(!QFile::exists(TextIndex::textPath(entry)));
        for (int i = 2; i <= History::capacity + 1; ++i)
            add(i);
        QVERIFY(!QFile::exists(other));
        QVERIFY(!QFile::exists(TextIndex::textPath(other)));
    }

    void unreadableTextCountsAsMissing_data() {
        QTest::addColumn<QByteArray>("content");

        QTest::newRow("cut short") << QByteArray("{\"format\": 1, \"lines\": [\"Acc");
        QTest::newRow("another format") << QByteArray("{\"format\": 2, \"lines\": []}");
        QTest::newRow("lines that are not text") << QByteArray("{\"format\": 1, \"lines\": [3]}");
        QTest::newRow("no lines") << QByteArray("{\"format\": 1}");
    }

    void unreadableTextCountsAsMissing() {
        QFETCH(QByteArray, content);
        const QString entry = add(0);
        QVERIFY(TextIndex::keep(entry, {u"x"_qs}));
        QVERIFY(writeWholeFile(TextIndex::textPath(entry), content));

        QVERIFY(!TextIndex::text(entry));
        QCOMPARE(TextIndex::missing(), QStringList{entry});
    }

    void searchListsMatchesNewestFirst() {
        const QString older = add(0), blank = add(1), unread = add(2), newer = add(3);
        TextIndex::keep(older, {u"Conexión rechazada"_qs});
        TextIndex::keep(blank, {});
        TextIndex::keep(newer, {u"CONEXION perdida"_qs});

        QCOMPARE(TextIndex::search(u"conexion"_qs), QStringList({newer, older}));
        QCOMPARE(TextIndex::search(u"rechazada conexión"_qs), QStringList{older});
        QCOMPARE(TextIndex::search(u"   "_qs), QStringList());
        QCOMPARE(TextIndex::missing(), QStringList{unread});
    }
};

QTEST_APPLESS_MAIN(tst_TextIndex)
#include "tst_TextIndex.moc"
