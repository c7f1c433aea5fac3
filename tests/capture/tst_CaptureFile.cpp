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
    void writersNeverReplaceACaptureNorShareAName();
};

void tst_CaptureFile::writersNeverReplaceACaptureNorShareAName() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Brindlecap 2026-12-05 08.19.19.png");
    QVERIFY(CaptureFile::replace(path, "older capture"));
    QList<QByteArray> payloads;
    for (int i = 0; i < 40; ++i)
        payloads.append(QByteArray::number(i));

    const QList<std::optional<QString>> written = QtConcurrent::blockingMapped(
        payloads, [&](const QByteArray& p) { return CaptureFile::writeNew(path, p); });

    QCOMPARE(contents(path), QByteArray("older capture"));
    QSet<QString> names;
    for (int i = 0; i < written.size(); ++i) {
        QCOMPARE(contents(written[i].value_or(QString())), payloads[i]);
        names.insert(*written[i]);
    }
    QCOMPARE(names.size(), payloads.size());
    QVERIFY(names.contains(dir.filePath("Brindlecap 2026-12-05 08.19.19 (2).png")));
    QVERIFY(names.contains(dir.filePath("Brindlecap 2026-12-05 08.19.19 (41).png")));
    // Temporary files left behind would count too.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), payloads.size() + 1);
}

QTEST_GUILESS_MAIN(tst_CaptureFile)
#include "tst_CaptureFile.moc"
