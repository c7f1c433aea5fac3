// The settings store as every part of the program reads it: defaults, clamps, strict typed reads
// of what a hand-edited or damaged settings file may hold.
#include "FileSizeLimit.h"
#include "TestHome.h"
#include "settings/Prefs.h"
#include "settings/SettingsFile.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brindlecap"),
                     QStringLiteral("Brindlecap"));
}

// Replaces the settings file as another program or a hand edit would. Each write gets its own
// modification time so that QSettings notices the change even within one clock tick.
void writeSettingsFile(const QByteArray& lines) {
    static int tick = 0;
    QFile file(store().fileName());
    QVERIFY(writeWholeFile(file.fileName(), "[General]\n" + lines + "\n"));
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)).addSecs(++tick),
                             QFileDevice::FileModificationTime));
}

std::optional<Tool> toolOfKey(const QString& key) {
    for (Tool tool : Tool::allCases())
        if (key == Prefs::Keys::size(tool))
            return tool;
    return std::nullopt;
}

} // namespace

class tst_Prefs : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase() {
        // Before the first QSettings: it fixes its folder on first use.
        qputenv("HOME", m_home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_home.path() + "/config").toUtf8());

        QCOMPARE(store().fileName(), m_home.path() + "/config/Brindlecap/Brindlecap.conf");
    }

    void init() { writeSettingsFile(""); }

    // What a hand-edited or damaged file may hold reads clamped or as the default.
    void readsAreClampedOrFallBackToTheDefault() {
        const auto read = [](const QByteArray& line) {
            writeSettingsFile(line);
            const QString key = QString::fromUtf8(line.left(line.indexOf('=')));
            const auto tool = toolOfKey(key);
            return tool                           ? Prefs::size(*tool)
                   : key == Prefs::Keys::autoCopy ? double(Prefs::autoCopy())
                                                  : Prefs::markerOpacity();
        };

        QCOMPARE(read("markerOpacity=0.05"), 0.1);
        QCOMPARE(read("markerOpacity=nan"), 0.4);
        QCOMPARE(read("size.arrow=-5"), 1.0);
        QCOMPARE(read("size.number=1e300"), 48.0);
        QCOMPARE(read("size.text=10"), 3.0);
        QCOMPARE(read("autoCopy=false"), 0.0);
        QCOMPARE(read("autoCopy=abc"), 1.0);
    }

    // Only an absolute path that is a folder, or nothing yet, is a save folder; anything else
    // would scatter captures wherever the program was started.
    void saveFolderIsAnAbsoluteFolderOrTheDefault_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("folder");
        const QString fallback = m_home.path() + "/Pictures/Brindlecap";
        const QByteArray home = QFile::encodeName(m_home.path());
        QVERIFY(writeWholeFile(m_home.filePath("a-file"), {}));
        QTest::newRow("existing folder") << "saveFolder=" + home << m_home.path();
        QTest::newRow("folder made later")
            << "saveFolder=" + home + "/later/" << m_home.path() + "/later";
        QTest::newRow("empty") << QByteArray("saveFolder=") << fallback;
        QTest::newRow("relative") << QByteArray("saveFolder=shots") << fallback;
        QTest::newRow("a list") << QByteArray("saveFolder=/a, /b") << fallback;
        QTest::newRow("a file") << "saveFolder=" + home + "/a-file" << fallback;
    }

    void saveFolderIsAnAbsoluteFolderOrTheDefault() {
        QFETCH(QByteArray, stored);
        writeSettingsFile(stored);

        QTEST(Prefs::saveFolder(), "folder");
    }

    // Writes are clamped; what cannot be stored (nan, the fixed text size) stores nothing.
    void writesAreClamped() {
        const auto stored = [](const QString& key, double written) {
            if (const auto tool = toolOfKey(key))
                Prefs::setSize(written, *tool);
            else
                Prefs::setMarkerOpacity(written);
            return store().value(key);
        };

        QCOMPARE(stored("markerOpacity", 3).toDouble(), 1.0);
        QCOMPARE(stored("size.number", 60).toDouble(), 48.0);
        QVERIFY(!stored("size.text", 10).isValid());
        writeSettingsFile("");
        QVERIFY(!stored("markerOpacity", NAN).isValid());
    }

    // setCombo(none) stores zero bytes: a removed key would bring the default shortcut back.
    void storedComboDecodesStrictly() {
        Prefs::setCombo(std::nullopt, CaptureAction::recents);
        QVERIFY(store().contains(Prefs::Keys::hotkey(CaptureAction::recents)));
        QVERIFY(!Prefs::combo(CaptureAction::recents));
        const auto decoded = [](QByteArray json) {
            // Bytes as QSettings writes them: quoted, the quotes inside escaped.
            writeSettingsFile("hotkey.area=\"@ByteArray(" + json.replace('\'', "\\\"") + ")\"");
            const auto combo = Prefs::combo(CaptureAction::area);
            return combo ? combo->toJson() : QByteArray("none");
        };

        QCOMPARE(decoded("{'keyCode':3,'modifiers':256,'display':'x'}"),
                 (KeyCombo{3, 256, "x"}.toJson()));
        QCOMPARE(decoded("abc"), "none"); // the rest of the decoding is tst_ShortcutRules' table
    }

    // A write changes its key's line only: the user's comments, other sections and values this
    // program reads differently stay byte for byte.
    void writeChangesOnlyItsLine_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("after");
        const auto row = [](const char* name, const char* before, const char* after,
                            const char* line = "didShowWelcome=true") {
            QTest::newRow(name) << QByteArray(before) << QByteArray(line) << QByteArray(after);
        };
        row("added after the general section's last line", "[General]\nx=1\n\n[Other]\ny=2\n",
            "[General]\nx=1\ndidShowWelcome=true\n\n[Other]\ny=2\n");
        row("general section missing", "[Other]\ny=2\n",
            "[General]\ndidShowWelcome=true\n\n[Other]\ny=2\n");
        row("empty file", "", "[General]\ndidShowWelcome=true\n");
        row("lines before any section are general", " didShowWelcome = no\r\n[General]\n",
            "didShowWelcome=true\r\n[General]\n");
        row("same key in another section and in a comment untouched",
            "[Other]\ndidShowWelcome=no\n[General]\n;didShowWelcome=no",
            "[Other]\ndidShowWelcome=no\n[General]\n;didShowWelcome=no\ndidShowWelcome=true\n");
        row("later duplicates dropped", "[General]\ndidShowWelcome=1\nx=1\ndidShowWelcome=2\n",
            "[General]\ndidShowWelcome=true\nx=1\n");
        row("no line removes the key", "[General]\ndidShowWelcome=1\nx=1", "[General]\nx=1", "");
    }

    void writeChangesOnlyItsLine() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, line);

        QTEST(SettingsFile::withLine(before, "didShowWelcome", line), "after");
    }

    // Only a file of comments, sections and "key=value" lines is edited; any other is left as
    // it was.
    void onlySettingsTextParses_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("parses");
        QTest::newRow("comments of both kinds, blanks, CRLF")
            << QByteArray("# a\r\n; b\n\n[General]\r\n x = 1 \n") << true;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("broken section header") << QByteArray("[General\nx=1\n") << false;
        QTest::newRow("not UTF-8") << QByteArray("x=\xff\xfe\n") << false;
        QTest::newRow("a zero byte") << QByteArray("x=1\n\0\n", 6) << false;
    }

    void onlySettingsTextParses() {
        QFETCH(QByteArray, file);

        QTEST(SettingsFile::parses(file), "parses");
    }

    // The line of a written value reads back as that value.
    void writtenLinesReadBack_data() {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("path with comma, quote, accent and edge blanks")
            << QVariant(u" /tmp/fotos, \"año\"\\ "_qs);
        QTest::newRow("shortcut bytes beyond ASCII")
            << QVariant(QByteArray("{\"display\":\"Super+Alt+\xe2\x86\x90\"}"));
        QTest::newRow("no shortcut") << QVariant(QByteArray(""));
    }

    void writtenLinesReadBack() {
        QFETCH(QVariant, value);

        writeSettingsFile(SettingsFile::lineFor("saveFolder", value));

        QCOMPARE(store().value("saveFolder").toString(), value.toString());
        QCOMPARE(store().value("saveFolder").typeId() == QMetaType::QByteArray,
                 value.typeId() == QMetaType::QByteArray);
    }

    // A write that fails part-way (a full disk, here a file-size limit) leaves the old file; a
    // file far larger than any this program writes is neither parsed nor written.
    void failedOrRefusedWriteLeavesTheFileWhole_data() {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<rlim_t>("limit");
        QTest::newRow("write cut short")
            << QByteArray(8000, ';') + "\nautoCopy=false" << rlim_t(4096);
        QTest::newRow("oversized file")
            << "autoCopy=false\n" + QByteArray(SettingsFile::maxSize, ';') << RLIM_INFINITY;
    }

    void failedOrRefusedWriteLeavesTheFileWhole() {
        QFETCH(QByteArray, lines);
        QFETCH(rlim_t, limit);
        writeSettingsFile(lines);
        {
            const FileSizeLimit cut(limit);
            QVERIFY(cut.applied());

            Prefs::setBool(Prefs::Keys::keepHistory, false);
        }

        QCOMPARE(readFile(store().fileName()), "[General]\n" + lines + "\n");
        QCOMPARE(Prefs::autoCopy(), limit == RLIM_INFINITY);
    }
};

QTEST_APPLESS_MAIN(tst_Prefs)
#include "tst_Prefs.moc"
