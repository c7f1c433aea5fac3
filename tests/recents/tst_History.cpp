// The history folder as the drawer and output delivery use it: naming, order, capacity, what
// counts as an entry, privacy, crash-safe additions, clearing and thumbnails.
#include "recents/History.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

QStringList names(const QStringList& paths) {
    QStringList result;
    for (const QString& path : paths)
        result << QFileInfo(path).fileName();
    return result;
}

void putFile(const QString& name, const QByteArray& bytes) {
    QDir().mkpath(History::folder());
    QFile file(History::folder() + "/" + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

// Answers the next modal message box with the named button and records its text.
void answerMessageBox(const QString& button, QString* text) {
    QTimer::singleShot(0, [button, text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        *text = box->text() + "\n" + box->informativeText();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == button)
                b->click();
    });
}

} // namespace

class tst_History : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void entryIsNamedByTimeToTheMillisecond();
    void twentyFiveAdditionsLeaveTheTwentyNewest();
    void sameMillisecondAdditionsKeepEveryCapture();
    void onlyLowerCasePngFilesAreEntries();
    void missingFolderIsAnEmptyHistory();
    void folderThatIsAFileIsAnEmptyHistory();
    void unreadableFolderIsAnEmptyHistory();
    void capturesArePrivate();
    void failedWriteLeavesNoEntryAndNoLeftover();
    void clearCountsWhatItListed();
    void confirmAndClearCancelledKeepsEverything();
    void confirmAndClearConfirmedEmptiesTheHistory();
    void confirmAndClearOnEmptyHistoryAsksNothing();
    void thumbnailOfLargeCapture();
    void thumbnailNeverEnlarges();
    void thumbnailOfBadFile_data();
    void thumbnailOfBadFile();

private:
    QTemporaryDir m_home;
};

void tst_History::initTestCase() {
    QVERIFY(m_home.isValid());
    qputenv("HOME", m_home.path().toUtf8());
    qputenv("XDG_DATA_HOME", (m_home.path() + "/data").toUtf8());

    QCOMPARE(History::folder(), m_home.path() + "/data/Brindlecap/Recientes");
}

void tst_History::init() {
    QFile::setPermissions(History::folder(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir(History::folder()).removeRecursively();
    QFile::remove(History::folder());
}

void tst_History::entryIsNamedByTimeToTheMillisecond() {
    const QByteArray png = pngOf(QSize(4, 3));

    History::add(png, morning);

    QCOMPARE(names(History::items()), QStringList{"20261205-081919-042.png"});
    QCOMPARE(contents(History::items().first()), png);
}

void tst_History::twentyFiveAdditionsLeaveTheTwentyNewest() {
    QStringList expected;
    for (int i = 0; i < 25; ++i) {
        const QDateTime time = morning.addMSecs(i * 1001);
        if (i >= 5)
            expected.prepend(QLocale::c().toString(time, "yyyyMMdd-HHmmss-zzz") + ".png");

        History::add(pngOf(QSize(2, 2)), time);
    }

    QCOMPARE(names(History::items()), expected);
}

void tst_History::sameMillisecondAdditionsKeepEveryCapture() {
    const QByteArray first = pngOf(QSize(2, 2), Qt::red);
    const QByteArray second = pngOf(QSize(2, 2), Qt::green);
    const QByteArray third = pngOf(QSize(2, 2), Qt::blue);

    History::add(first, morning);
    History::add(second, morning);
    History::add(third, morning);
    History::add(pngOf(QSize(2, 2)), morning.addMSecs(-1));

    const QStringList entries = History::items();
    QCOMPARE(entries.size(), 4);
    QCOMPARE(contents(entries[0]), third);
    QCOMPARE(contents(entries[1]), second);
    QCOMPARE(contents(entries[2]), first);
}

void tst_History::onlyLowerCasePngFilesAreEntries() {
    putFile("X.PNG", "not ours");
    putFile("notes.txt", "not ours");
    putFile("20991231-235959-999.png.bak", "not ours");
    QDir().mkpath(History::folder() + "/folder.png");

    for (int i = 0; i < 22; ++i)
        History::add(pngOf(QSize(2, 2)), morning.addSecs(i));
    const int cleared = History::clear();

    QCOMPARE(cleared, 20);
    QCOMPARE(History::items(), QStringList());
    QVERIFY(QFile::exists(History::folder() + "/X.PNG"));
    QVERIFY(QFile::exists(History::folder() + "/notes.txt"));
    QVERIFY(QFile::exists(History::folder() + "/20991231-235959-999.png.bak"));
}

void tst_History::missingFolderIsAnEmptyHistory() {
    QVERIFY(!QFileInfo::exists(History::folder()));

    QCOMPARE(History::items(), QStringList());
    QCOMPARE(History::clear(), 0);
}

void tst_History::folderThatIsAFileIsAnEmptyHistory() {
    QDir().mkpath(QFileInfo(History::folder()).path());
    QFile blocker(History::folder());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    History::add(pngOf(QSize(2, 2)), morning);

    QCOMPARE(History::items(), QStringList());
    QCOMPARE(History::clear(), 0);
    QVERIFY(QFileInfo(History::folder()).isFile());
}

void tst_History::unreadableFolderIsAnEmptyHistory() {
    if (::geteuid() == 0)
        QSKIP("permissions do not bind the superuser");
    History::add(pngOf(QSize(2, 2)), morning);
    QFile::setPermissions(History::folder(), QFile::WriteOwner);

    const QStringList entries = History::items();

    QCOMPARE(entries, QStringList());
}

void tst_History::capturesArePrivate() {
    History::add(pngOf(QSize(2, 2)), morning);
    History::add(pngOf(QSize(2, 2)), morning);

    QCOMPARE(modeOf(History::folder()), 0700);
    for (const QString& entry : History::items())
        QCOMPARE(modeOf(entry), 0600);
}

// A file-size limit fails the write part-way, as a full disk does.
void tst_History::failedWriteLeavesNoEntryAndNoLeftover() {
    History::add(pngOf(QSize(2, 2)), morning);
    QByteArray big(64 * 1024, 'x');
    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);

    History::add(big, morning.addSecs(1));

    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    QCOMPARE(names(History::items()), QStringList{"20261205-081919-042.png"});
    const QStringList everything =
        QDir(History::folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(everything, QStringList{"20261205-081919-042.png"});
}

void tst_History::clearCountsWhatItListed() {
    for (int i = 0; i < 3; ++i)
        History::add(pngOf(QSize(2, 2)), morning.addSecs(i));

    const int cleared = History::clear();

    QCOMPARE(cleared, 3);
    QCOMPARE(History::items(), QStringList());
    QCOMPARE(History::clear(), 0);
}

void tst_History::confirmAndClearCancelledKeepsEverything() {
    for (int i = 0; i < 3; ++i)
        History::add(pngOf(QSize(2, 2)), morning.addSecs(i));
    QString shown;
    answerMessageBox("Cancelar", &shown);

    const bool cleared = History::confirmAndClear();

    QVERIFY(!cleared);
    QVERIFY(shown.startsWith("¿Vaciar las 3 capturas recientes?\nSe borran definitivamente"));
    QCOMPARE(History::items().size(), 3);
}

void tst_History::confirmAndClearConfirmedEmptiesTheHistory() {
    putFile("X.PNG", "not ours");
    History::add(pngOf(QSize(2, 2)), morning);
    QString shown;
    answerMessageBox("Vaciar", &shown);

    const bool cleared = History::confirmAndClear();

    QVERIFY(cleared);
    QCOMPARE(History::items(), QStringList());
    QVERIFY(QFile::exists(History::folder() + "/X.PNG"));
}

void tst_History::confirmAndClearOnEmptyHistoryAsksNothing() {
    putFile("X.PNG", "not ours");

    const bool cleared = History::confirmAndClear();

    QVERIFY(!cleared);
}

void tst_History::thumbnailOfLargeCapture() {
    History::add(pngOf(QSize(3000, 2000)), morning);

    const auto thumb = History::thumbnail(History::items().first(), 640);

    QVERIFY(thumb);
    QCOMPARE(std::max(thumb->first.width(), thumb->first.height()), 640);
    QCOMPARE(thumb->first.height(), 426);
    QCOMPARE(thumb->second, QSize(3000, 2000));
    QCOMPARE(thumb->first.devicePixelRatio(), 1.0);
}

void tst_History::thumbnailNeverEnlarges() {
    History::add(pngOf(QSize(100, 50)), morning);

    const auto thumb = History::thumbnail(History::items().first(), 640);

    QVERIFY(thumb);
    QCOMPARE(thumb->first.size(), QSize(100, 50));
    QCOMPARE(thumb->second, QSize(100, 50));
}

void tst_History::thumbnailOfBadFile_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("maxPixel");

    const QByteArray png = pngOf(QSize(40, 30));
    QTest::newRow("zero bytes") << QByteArray() << 640;
    QTest::newRow("not an image") << QByteArray("hello, not a picture") << 640;
    QTest::newRow("cut short after the header") << png.left(60) << 640;
    QTest::newRow("corrupt image data")
        << png.left(40) + QByteArray(png.size() - 40, '\x55') << 640;
    QTest::newRow("zero maximum size") << png << 0;
}

void tst_History::thumbnailOfBadFile() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, maxPixel);
    putFile("20261205-081919-042.png", bytes);

    const auto thumb = History::thumbnail(History::items().first(), maxPixel);

    QVERIFY(!thumb);
}

QTEST_MAIN(tst_History)
#include "tst_History.moc"
