#include "capture/CaptureFile.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class tst_CaptureFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void takenNameGetsTheNextNumber();
    void existingFileIsNeverReplaced();
    void concurrentWritersNeverShareAName();
    void replaceOverwritesInOneStep();
    void unwritableFolderGivesAReason();
};

void tst_CaptureFile::takenNameGetsTheNextNumber() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Brindlecap 2026-12-05 08.19.19.png");

    const std::optional<QString> first = CaptureFile::writeNew(path, "a");
    const std::optional<QString> second = CaptureFile::writeNew(path, "b");
    const std::optional<QString> third = CaptureFile::writeNew(path, "c");

    QCOMPARE(first, path);
    QCOMPARE(second, dir.filePath("Brindlecap 2026-12-05 08.19.19 (2).png"));
    QCOMPARE(third, dir.filePath("Brindlecap 2026-12-05 08.19.19 (3).png"));
    QCOMPARE(CaptureFile::freeName(path), dir.filePath("Brindlecap 2026-12-05 08.19.19 (4).png"));
}

void tst_CaptureFile::existingFileIsNeverReplaced() {
    QTemporaryDir dir;
    const QString path = dir.filePath("x.png");
    QFile existing(path);
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("older capture");
    existing.close();

    const std::optional<QString> written = CaptureFile::writeNew(path, "new");

    QCOMPARE(contents(path), QByteArray("older capture"));
    QCOMPARE(written, dir.filePath("x (2).png"));
    QCOMPARE(contents(*written), QByteArray("new"));
    // No temporary file is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void tst_CaptureFile::concurrentWritersNeverShareAName() {
    QTemporaryDir dir;
    const QString path = dir.filePath("x.png");
    QList<QByteArray> payloads;
    for (int i = 0; i < 40; ++i)
        payloads.append(QByteArray::number(i));

    const QList<std::optional<QString>> written = QtConcurrent::blockingMapped(
        payloads, [&](const QByteArray& p) { return CaptureFile::writeNew(path, p); });

    QSet<QString> names;
    for (int i = 0; i < written.size(); ++i) {
        QVERIFY(written[i]);
        QCOMPARE(contents(*written[i]), payloads[i]);
        names.insert(*written[i]);
    }
    QCOMPARE(names.size(), payloads.size());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), payloads.size());
}

void tst_CaptureFile::replaceOverwritesInOneStep() {
    QTemporaryDir dir;
    const QString path = dir.filePath("elegido.png");
    QVERIFY(CaptureFile::replace(path, "first"));

    QVERIFY(CaptureFile::replace(path, "second"));

    QCOMPARE(contents(path), QByteArray("second"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void tst_CaptureFile::unwritableFolderGivesAReason() {
    QTemporaryDir dir;
    QFile blocker(dir.filePath("archivo"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString newError, replaceError;

    QVERIFY(!CaptureFile::writeNew(dir.filePath("archivo/x.png"), "a", &newError));
    QVERIFY(!CaptureFile::replace(dir.filePath("archivo/x.png"), "a", &replaceError));

    QVERIFY(!newError.isEmpty());
    QVERIFY(!replaceError.isEmpty());
}

QTEST_GUILESS_MAIN(tst_CaptureFile)
#include "tst_CaptureFile.moc"
