// The history folder as the drawer and output delivery use it: order, capacity, what counts as an
// entry, privacy, crash-safe additions, clearing and thumbnails.
#include "recents/History.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const QDateTime morning(QDate(2026, 12, 5), QTime(8, 19, 19, 42));

QByteArray pngOf(QSize size, QColor colour = Qt::red) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

void putFile(const QString& name, const QByteArray& bytes) {
    QDir().mkpath(History::folder());
    QFile file(History::folder() + "/" + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

int modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

} // namespace

class tst_History : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase() {
        qputenv("XDG_DATA_HOME", m_home.path().toUtf8());

        QCOMPARE(History::folder(), m_home.path() + "/Brindlecap/Recientes");
    }

    void init() { QDir(History::folder()).removeRecursively(); }

    void twentyFiveAdditionsLeaveTheTwentyNewest() {
        for (int i = 0; i < 25; ++i)
            History::add(pngOf(QSize(2, 2)), morning.addSecs(i));

        const QStringList entries = History::items();

        QCOMPARE(entries.size(), 20);
        QVERIFY(entries.first().endsWith("20261205-081943-042.png"));
        QVERIFY(entries.last().endsWith("20261205-081924-042.png"));
    }

    void sameMillisecondAdditionsAreKeptNewestFirst() {
        History::add(pngOf(QSize(2, 2)), morning);
        History::add(pngOf(QSize(3, 3)), morning);

        const QStringList entries = History::items();

        QCOMPARE(entries.size(), 2);
        QCOMPARE(QImage(entries[0]).width(), 3);
    }

    // A file-size limit fails the write part-way, as a full disk does.
    void failedWriteLeavesNoPartialFile() {
        rlimit saved{}, small{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        small = saved;
        small.rlim_cur = 4096;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);

        History::add(QByteArray(64 * 1024, 'x'), morning);

        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        QCOMPARE(QDir(History::folder()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void capturesArePrivate() {
        History::add(pngOf(QSize(2, 2)), morning);

        QCOMPARE(modeOf(History::folder()), 0700);
        QCOMPARE(modeOf(History::items().value(0)), 0600);
    }

    void onlyLowerCasePngFilesAreEntriesAndClearCountsThem() {
        QCOMPARE(History::clear(), 0); // missing folder
        putFile("X.PNG", "not ours");
        putFile("notes.txt", "not ours");
        putFile("20261205-000000-000.png", ""); // zero bytes, still an entry
        History::add(pngOf(QSize(2, 2)), morning);

        const int cleared = History::clear();

        QCOMPARE(cleared, 2);
        QCOMPARE(History::items(), QStringList());
        QCOMPARE(QDir(History::folder()).entryList(QDir::Files).size(), 2);
    }

    void confirmAndClearAsksFirst_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("left");
        QTest::newRow("cancelled keeps everything") << "Cancelar" << 3;
        QTest::newRow("confirmed clears") << "Vaciar" << 0;
    }
    void confirmAndClearAsksFirst() {
        QFETCH(QString, button);
        QFETCH(int, left);
        for (int i = 0; i < 3; ++i)
            History::add(pngOf(QSize(2, 2)), morning.addSecs(i));
        QString shown;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            shown = box->text() + "\n" + box->informativeText();
            for (QAbstractButton* b : box->buttons())
                if (b->text() == button)
                    b->click();
        });

        const bool cleared = History::confirmAndClear();

        QCOMPARE(cleared, left == 0);
        QVERIFY(shown.startsWith("¿Vaciar las 3 capturas recientes?\nSe borran definitivamente"));
        QCOMPARE(History::items().size(), left);
    }

    void thumbnailOfALargeCapture() {
        History::add(pngOf(QSize(3000, 2000)), morning);

        const auto thumb = History::thumbnail(History::items().value(0), 640);

        QVERIFY(thumb);
        QCOMPARE(thumb->first.size(), QSize(640, 426));
        QCOMPARE(thumb->second, QSize(3000, 2000));
    }

    void noThumbnailOfABadFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray png = pngOf(QSize(40, 30));
        QTest::newRow("zero bytes") << QByteArray();
        QTest::newRow("cut short after the header") << png.left(60);
        QTest::newRow("corrupt image data") << png.left(40) + QByteArray(png.size() - 40, '\x55');
    }
    void noThumbnailOfABadFile() {
        QFETCH(QByteArray, bytes);
        putFile("20261205-081919-042.png", bytes);

        QVERIFY(!History::thumbnail(History::items().value(0), 640));
    }
};

QTEST_MAIN(tst_History)
#include "tst_History.moc"
