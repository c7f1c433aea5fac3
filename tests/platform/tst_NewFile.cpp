// Writing new files for the save folder and the history: never a shared name, never a replaced
// file, never a partial file, and a failure that names the file and the system's reason.
#include "FileSizeLimit.h"
#include "TestHome.h"
#include "platform/NewFile.h"

#include <QDir>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

namespace {

// "0.png", "1.png", ... up to `names` of them.
NewFile::NameFor numberedUpTo(int names) {
    return [names](int clash) {
        return clash < names ? QStringLiteral("%1.png").arg(clash) : QString();
    };
}

} // namespace

class tst_NewFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void concurrentWritersNeverShareANameNorReplaceAFile() {
        QTemporaryDir dir;
        writeWholeFile(dir.filePath("0.png"), "older capture");
        QList<QByteArray> payloads;
        for (int i = 0; i < 40; ++i)
            payloads.append(QByteArray::number(i));

        const QList<Result<QString>> written =
            QtConcurrent::blockingMapped(payloads, [&](const QByteArray& p) {
                return NewFile::write(dir.path(), p, numberedUpTo(1000));
            });

        QCOMPARE(readFile(dir.filePath("0.png")), QByteArray("older capture"));
        QSet<QString> names;
        for (int i = 0; i < written.size(); ++i) {
            QVERIFY2(written[i], qPrintable(written[i].message()));
            QCOMPARE(readFile(*written[i]), payloads[i]);
            names.insert(*written[i]);
        }
        QCOMPARE(names.size(), payloads.size());
        QVERIFY(names.contains(dir.filePath("40.png")));
        // Temporary files left behind would count too.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                 payloads.size() + 1);
    }

    void failureNamesTheFileAndTheReasonAndLeavesNothing_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("names");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason");

        // A folder inside a plain file can be created by nobody, root included.
        QTest::newRow("a folder that cannot exist")
            << "archivo/dentro" << 1 << "archivo/dentro/0.png"
            << "Not a directory";
        QTest::newRow("every name taken") << "" << 1 << "0.png"
                                          << "File exists";
        QTest::newRow("a write cut short, as on a full disk") << "" << 1000 << "0.png"
                                                              << "File too large";
    }

    void failureNamesTheFileAndTheReasonAndLeavesNothing() {
        QFETCH(QString, folder);
        QFETCH(int, names);
        QFETCH(QString, file);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        unmakeableFolder(dir.filePath("archivo"), {});
        writeWholeFile(dir.filePath("0.png"), "taken");
        std::optional<FileSizeLimit> cutShort;
        if (reason == "File too large")
            QVERIFY(cutShort.emplace(4096).applied());

        const Result<QString> written =
            NewFile::write(dir.filePath(folder), QByteArray(64 * 1024, 'x'), numberedUpTo(names));

        cutShort.reset();
        QVERIFY(!written);
        QVERIFY2(written.message().contains(dir.filePath(file)) &&
                     written.message().contains(reason),
                 qPrintable(written.message()));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"0.png", "archivo"}));
    }
};

QTEST_GUILESS_MAIN(tst_NewFile)
#include "tst_NewFile.moc"
