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

// Temporary files left behind count too.
qsizetype fileCount(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size();
}

} // namespace

class tst_CaptureFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void takenNameGetsTheNextNumberAndIsNeverReplaced();
    void concurrentWritersNeverShareAName();
};

void tst_CaptureFile::takenNameGetsTheNextNumberAndIsNeverReplaced() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Brindlecap 2026-12-05 08.19.19.png");
    QVERIFY(CaptureFile::replace(path, "older capture"));

    const std::optional<QString> second = CaptureFile::writeNew(path, "b");
    const std::optional<QString> third = CaptureFile::writeNew(path, "c");

    QCOMPARE(contents(path), QByteArray("older capture"));
    QCOMPARE(second, dir.filePath("Brindlecap 2026-12-05 08.19.19 (2).png"));
    QCOMPARE(third, dir.filePath("Brindlecap 2026-12-05 08.19.19 (3).png"));
    QCOMPARE(contents(*third), QByteArray("c"));
    QCOMPARE(CaptureFile::freeName(path), dir.filePath("Brindlecap 2026-12-05 08.19.19 (4).png"));
    QCOMPARE(fileCount(dir), 3);
}

void tst_CaptureFile::concurrentWritersNeverShareAName() {
    QTemporaryDir dir;
    QList<QByteArray> payloads;
    for (int i = 0; i < 40; ++i)
        payloads.append(QByteArray::number(i));

    const QList<std::optional<QString>> written =
        QtConcurrent::blockingMapped(payloads, [&](const QByteArray& p) {
            return CaptureFile::writeNew(dir.filePath("x.png"), p);
        });

    QSet<QString> names;
    for (int i = 0; i < written.size(); ++i) {
        QCOMPARE(contents(written[i].value_or(QString())), payloads[i]);
        names.insert(*written[i]);
    }
    QCOMPARE(names.size(), payloads.size());
    QCOMPARE(fileCount(dir), payloads.size());
}

QTEST_GUILESS_MAIN(tst_CaptureFile)
#include "tst_CaptureFile.moc"
