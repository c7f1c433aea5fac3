// The history folder as the drawer and output delivery use it: order, capacity, what counts as an
// entry, privacy, crash-safe additions, clearing and thumbnails.
#include "EntryPng.h"
#include "FileSizeLimit.h"
#include "recents/History.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

namespace {

const QDateTime morning(QDate(2026, 12, 5), QTime(8, 19, 19, 42));

void putFile(const QString& name, const QByteArray& bytes) {
    QDir().mkpath(History::folder());
    QFile file(History::folder() + "/" + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class tst_History : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_DATA_HOME", m_home.path().toUtf8()); }

    void init() { QDir(History::folder()).removeRecursively(); }

    // The drawer's thumbnail is kept from the picture at once and leaves with its entry.
    void keptThumbnailsFollowTheirEntries() {
        QImage picture(3000, 2000, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        const QByteArray png = pngOf(picture.size());
        for (int i = 0; i <= History::capacity; ++i)
            History::add(png, morning.addSecs(i), picture);

        const QStringList entries = History::items();
        QStringList kept;
        for (const QString& entry : entries)
            kept << History::keptThumbnailPath(entry);
        const QStringList thumbnails =
            QDir(QFileInfo(kept[0]).path()).entryList(QDir::Files, QDir::Name | QDir::Reversed);
        const auto fitted = History::keptThumbnail(entries[0], QSize(194, 114));

        QCOMPARE(thumbnails.size(), History::capacity);
        for (int i = 0; i < History::capacity; ++i)
            QCOMPARE(QFileInfo(kept[i]).fileName(), thumbnails[i]);
        QCOMPARE(QImage(kept[0]).size(), QSize(342, 228));
        QVERIFY(fitted);
        QCOMPARE(fitted->first.size(), QSize(171, 114));
        QCOMPARE(fitted->second, QSize(3000, 2000));
    }

    // The last two share a millisecond: the later one must neither overwrite nor sort second.
    void twentyFiveAdditionsLeaveTheTwentyNewestPrivately() {
        for (int i = 1; i < 25; ++i)
            History::add(pngOf(QSize(i, 1)), morning.addSecs(i));
        History::add(pngOf(QSize(3000, 2000)), morning.addSecs(24));

        const QStringList entries = History::items();
        const auto thumb = History::thumbnail(entries.value(0), 640);

        QCOMPARE(History::folder(), m_home.path() + "/Brindlecap/Recientes");
        QCOMPARE(entries.size(), 20);
        QVERIFY(thumb);
        QCOMPARE(thumb->first.size(), QSize(640, 426));
        QCOMPARE(thumb->second, QSize(3000, 2000));
        QCOMPARE(QImage(entries[1]).width(), 24);
        QCOMPARE(QImage(entries[19]).width(), 6);
        for (const QString& path : {History::folder(), entries[0]}) // no group or other bits
            QCOMPARE(int(QFileInfo(path).permissions() & 0x0077), 0);
    }

    // A file-size limit fails the write part-way, as a full disk does.
    void failedWriteLeavesNoPartialFile() {
        {
            const FileSizeLimit limit(4096);
            QVERIFY(limit.applied());

            History::add(QByteArray(64 * 1024, 'x'), morning);
        }

        QCOMPARE(QDir(History::folder()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void onlyLowerCasePngFilesAreEntriesAndBadOnesHaveNoThumbnail() {
        QCOMPARE(History::clear(), 0); // missing folder
        const QByteArray png = pngOf(QSize(40, 30));
        putFile("X.PNG", png);
        putFile("notes.txt", png);
        putFile("20261205-000000-000.png", "");
        putFile("20261205-000000-001.png", png.left(40) + QByteArray(png.size() - 40, '\x55'));

        for (const QString& entry : History::items())
            QVERIFY2(!History::thumbnail(entry, 640), qPrintable(entry));
        const int cleared = History::clear();

        QCOMPARE(cleared, 2);
        QCOMPARE(QDir(History::folder()).entryList(QDir::Files).size(), 2);
    }

    void entryNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isEntry");
        QTest::newRow("an addition") << "20261205-081919-042.png" << true;
        QTest::newRow("a later one in the same millisecond")
            << "20261205-081919-042_001.png" << true;
        QTest::newRow("letter first") << "Avatar.png" << false;
        QTest::newRow("digits but not the stamp") << "0000.png" << false;
        QTest::newRow("a companion thumbnail") << "20261205-081919-042.thumb.png" << false;
        QTest::newRow("hidden companion") << ".20261205-081919-042.png" << false;
        QTest::newRow("capital extension") << "20261205-081919-042.PNG" << false;
        QTest::newRow("short clash suffix") << "20261205-081919-042_1.png" << false;
        QTest::newRow("other digits") << "20261205-081919-04٣.png" << false;
        QTest::newRow("something after") << "20261205-081919-042.png.part" << false;
    }

    void entryNames() {
        QFETCH(QString, name);
        QFETCH(bool, isEntry);

        QCOMPARE(History::isEntryName(name), isEntry);
    }

    // Foreign files must not take the places of captures nor be pruned as old ones; a FIFO with
    // an entry's name would block whoever reads it.
    void foreignFilesAreNeitherListedNorPruned() {
        const QByteArray png = pngOf(QSize(2, 2));
        putFile("Avatar.png", png);
        putFile("0000.png", png);
        putFile("empty.png", "");
        putFile("20261205-081919-042.thumb.png", png);
        const QString fifo = History::folder() + "/29991231-235959-999.png";
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(QFile::link(History::folder() + "/Avatar.png",
                            History::folder() + "/29991231-235959-998.png"));
        const QStringList foreign =
            QDir(History::folder())
                .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);

        for (int i = 0; i < 22; ++i)
            History::add(png, morning.addSecs(i));
        const QStringList entries = History::items();

        QCOMPARE(entries.size(), 20);
        QCOMPARE(QFileInfo(entries.first()).fileName(), "20261205-081940-042.png");
        QCOMPARE(QFileInfo(entries.last()).fileName(), "20261205-081921-042.png");
        for (const QString& name : foreign)
            QVERIFY2(QFileInfo::exists(History::folder() + "/" + name) ||
                         QFileInfo(History::folder() + "/" + name).isSymLink(),
                     qPrintable(name));
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
};

QTEST_MAIN(tst_History)
#include "tst_History.moc"
