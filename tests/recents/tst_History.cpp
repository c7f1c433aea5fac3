// The history folder and the text kept beside its entries, in a home of their own.
#include "EntryPng.h"
#include "TestHome.h"
#include "recents/History.h"
#include "recents/TextIndex.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

namespace {

const QDateTime morning(QDate(2026, 12, 5), QTime(8, 19, 19, 42));

void putFile(const QString& name, const QByteArray& bytes) {
    QVERIFY(writeWholeFile(History::folder() + "/" + name, bytes));
}

int mode(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

} // namespace

class tst_History : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_DATA_HOME", m_home.path().toUtf8()); }

    void init() { QDir(History::folder()).removeRecursively(); }

    // The last two share a millisecond: the later one must neither overwrite nor sort second. The
    // drawer's thumbnail is kept from the picture at once and leaves with its entry.
    void additionsLeaveTheTwentyNewestPrivatelyWithTheirThumbnails() {
        for (int i = 1; i < 25; ++i)
            History::add(pngOf(QSize(i, 1)), morning.addSecs(i),
                         QImage(i, 1, QImage::Format_RGB32));
        QImage picture(3000, 2000, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        History::add(pngOf(picture.size()), morning.addSecs(24), picture);

        const QStringList entries = History::items();
        QStringList kept;
        for (const QString& entry : entries)
            kept << QFileInfo(History::keptThumbnailPath(entry)).fileName();
        const QString keptFolder = QFileInfo(History::keptThumbnailPath(entries[0])).path();
        const auto fitted = History::keptThumbnail(entries[0], QSize(194, 114));

        QCOMPARE(entries.size(), 20);
        QCOMPARE(QImage(entries[1]).width(), 24);
        QCOMPARE(QImage(entries[19]).width(), 6);
        QCOMPARE(QDir(keptFolder).entryList(QDir::Files, QDir::Name | QDir::Reversed), kept);
        QVERIFY(fitted);
        QCOMPARE(fitted->first.size(), QSize(171, 114));
        QCOMPARE(fitted->second, QSize(3000, 2000));
        for (const QString& path : {History::folder(), entries[0]}) // no group or other bits
            QCOMPARE(int(QFileInfo(path).permissions() & 0x0077), 0);
    }

    void entryNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isEntry");
        QTest::newRow("an addition") << "20261205-081919-042.png" << true;
        QTest::newRow("a later one in the same millisecond")
            << "20261205-081919-042_001.png" << true;
        QTest::newRow("digits but not the stamp") << "0000.png" << false;
        QTest::newRow("hidden companion") << ".20261205-081919-042.png" << false;
        QTest::newRow("capital extension") << "20261205-081919-042.PNG" << false;
        QTest::newRow("short clash suffix") << "20261205-081919-042_1.png" << false;
        QTest::newRow("other digits") << "20261205-081919-04٣.png" << false;
        QTest::newRow("something after") << "20261205-081919-042.png.part" << false;
    }

    void entryNames() {
        QFETCH(QString, name);

        QTEST(History::isEntryName(name), "isEntry");
    }

    // Foreign files must not take the places of captures nor be pruned or cleared as old ones; a
    // FIFO with an entry's name would block whoever reads it. Entries that are no picture have no
    // thumbnail.
    void foreignFilesAreNeitherListedNorPrunedNorCleared() {
        QCOMPARE(History::clear(), 0); // missing folder
        const QByteArray png = pngOf(QSize(2, 2));
        putFile("Avatar.png", png);
        putFile("20261205-081919-042.thumb.png", png);
        const QString fifo = History::folder() + "/29991231-235959-999.png";
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(QFile::link(History::folder() + "/Avatar.png",
                            History::folder() + "/29991231-235959-998.png"));
        const QStringList foreign =
            QDir(History::folder())
                .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        putFile("20261205-000000-000.png", "");
        putFile("20261205-000000-001.png", png.left(40) + QByteArray(png.size() - 40, '\x55'));

        const QStringList bad = History::items();
        for (const QString& entry : bad) // before they are pruned
            QVERIFY2(!History::keptThumbnail(entry, QSize(194, 114)), qPrintable(entry));
        for (int i = 0; i < 22; ++i)
            History::add(png, morning.addSecs(i));
        const QStringList entries = History::items();

        QCOMPARE(bad.size(), 2);
        QCOMPARE(entries.size(), 20);
        QCOMPARE(QFileInfo(entries.first()).fileName(), "20261205-081940-042.png");
        QCOMPARE(QFileInfo(entries.last()).fileName(), "20261205-081921-042.png");
        QCOMPARE(History::clear(), 20);
        QCOMPARE(QDir(History::folder())
                     .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
                 foreign);
    }

    void confirmAndClearAsksFirst() {
        for (int i = 0; i < 3; ++i)
            History::add(pngOf(QSize(2, 2)), morning.addSecs(i));
        QString shown;
        const auto answered = [&](const QString& button) {
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                shown = box ? box->text() : QString();
                for (QAbstractButton* b : box ? box->buttons() : QList<QAbstractButton*>())
                    if (b->text() == button)
                        b->click();
            });
            return History::confirmAndClear();
        };

        QVERIFY(!answered(QStringLiteral("Cancelar")));
        QCOMPARE(History::items().size(), 3);
        QVERIFY(answered(QStringLiteral("Vaciar")));
        QCOMPARE(History::items().size(), 0);
        QCOMPARE(shown, "¿Vaciar las 3 capturas recientes?");
    }

    // The text kept beside each history entry: private like the entries, unreadable files read as
    // missing (so they are recognised again) and gone with their entry. (Searching is
    // tst_RecentsDrawer's, end to end, and TextMatch's table in tst_RecentsRules.)
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

private:
    QTemporaryDir m_home;
    // Entries for the text index, on whole seconds.
    const QDateTime m_morning{QDate(2026, 12, 5), QTime(8, 19, 19)};

    QString add(int second) { return History::add(pngOf(QSize(8, 8)), m_morning.addSecs(second)); }
};

QTEST_MAIN(tst_History)
#include "tst_History.moc"
