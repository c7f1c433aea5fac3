// Platform rules: the autostart entry, large-page tunables and writing new files.
#include "FileSizeLimit.h"
#include "TestHome.h"
#include "platform/Autostart.h"
#include "platform/LargePages.h"
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

class tst_PlatformRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The autostart entry: the command line desktops run at login, and when an entry counts as on.
    void execLine_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("line");
        const auto row = [](const char* name, const char* program, const char* line) {
            QTest::newRow(name) << QString::fromUtf8(program) << QString::fromUtf8(line);
        };
        row("spaces stay inside the quotes", "/opt/my apps/brindlecap",
            R"("/opt/my apps/brindlecap")");
        row("quote, dollar and backquote take a backslash, doubled by the value", R"(/a"b$c`d)",
            R"("/a\\"b\\$c\\`d")");
        row("a backslash becomes four", R"(/a\b)", R"("/a\\\\b")");
        row("a percent sign is no field code", "/100%/b", R"("/100%%/b")");
    }
    void execLine() {
        QFETCH(QString, program);

        QTEST(Autostart::execLine(program), "line");
    }

    void isEnabled_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("an entry is on") << QByteArray("[Desktop Entry]\nExec=x\n") << true;
        QTest::newRow("Hidden=true switches it off")
            << QByteArray("[Desktop Entry]\nHidden = true\nExec=x\n") << false;
    }
    void isEnabled() {
        QFETCH(QByteArray, contents);
        QVERIFY(writeWholeFile(Autostart::filePath(), contents));

        QTEST(Autostart::isEnabled(), "enabled");
    }

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
        row("no such file", "", "", "");
    }

    void tunables() {
        QFETCH(QByteArray, mode);
        QFETCH(QByteArray, tunables);

        QTEST(LargePages::tunablesFor(mode, tunables).value_or(QByteArray()), "expected");
    }

    // Writing new files for the save folder and the history: never a shared name, never a replaced
    // file, never a partial file, and a failure that names the file and the system's reason.
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

QTEST_GUILESS_MAIN(tst_PlatformRules)
#include "tst_PlatformRules.moc"
