// The settings store as every part of the program reads it: defaults, clamps, strict typed reads
// of what a hand-edited or damaged settings file may hold, and reads from another thread.
#include "settings/Prefs.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cmath>

using Combo = std::optional<KeyCombo>;
Q_DECLARE_METATYPE(Combo)
Q_DECLARE_METATYPE(Tool)

char* toString(const Combo& combo) {
    return qstrdup(combo ? combo->toJson().constData() : "no combo");
}

namespace {

QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brindlecap"),
                     QStringLiteral("Brindlecap"));
}

QVariant stored(const QString& key) {
    return store().value(key);
}

// Replaces the settings file as another program or a hand edit would. Each write gets its own
// modification time so that QSettings notices the change even within one clock tick.
void writeSettingsFile(const QByteArray& lines) {
    static int tick = 0;
    const QString path = store().fileName();
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[General]\n" + lines + "\n");
    file.flush();
    QVERIFY(file.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)).addSecs(++tick),
                             QFileDevice::FileModificationTime));
}

} // namespace

class tst_Prefs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void freshStoreHasDefaults();
    void booleansReadOnlyExactBooleans_data();
    void booleansReadOnlyExactBooleans();
    void markerOpacityReadClamped_data();
    void markerOpacityReadClamped();
    void markerOpacityWriteClamped_data();
    void markerOpacityWriteClamped();
    void sizeReadClamped_data();
    void sizeReadClamped();
    void setSizeStoresClamped_data();
    void setSizeStoresClamped();
    void textAndPixelateAreAlwaysThree();
    void saveFolderTakesStoredPathAsIs();
    void emptySaveFolderMeansDefault();
    void newFileNameFollowsPattern();
    void comboRoundTripsThroughFile();
    void clearedComboStaysCleared();
    void undecodableComboIsNoShortcut_data();
    void undecodableComboIsNoShortcut();
    void comboStoredAsTextIsIgnored();
    void keepHistoryReadOffTheMainThreadWhileWritten();

private:
    QTemporaryDir m_home;
};

void tst_Prefs::initTestCase() {
    QVERIFY(m_home.isValid());
    // Before the first QSettings: it fixes its folder on first use.
    qputenv("HOME", m_home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (m_home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (m_home.path() + "/data").toUtf8());

    QCOMPARE(store().fileName(), m_home.path() + "/config/Brindlecap/Brindlecap.conf");
}

void tst_Prefs::init() {
    writeSettingsFile("");
}

void tst_Prefs::freshStoreHasDefaults() {
    QVERIFY(Prefs::autoCopy());
    QVERIFY(Prefs::autoSaveArea());
    QVERIFY(Prefs::autoSaveFullScreen());
    QVERIFY(Prefs::keepHistory());
    QVERIFY(Prefs::showLoupe());
    QVERIFY(!Prefs::didShowWelcome());
    QVERIFY(!Prefs::didRequestScreenCapture());
    QCOMPARE(Prefs::markerOpacity(), 0.4);
    QCOMPARE(Prefs::size(Tool::pen), 3.0);
    QCOMPARE(Prefs::size(Tool::marker), 16.0);
    QCOMPARE(Prefs::size(Tool::number), 26.0);
    QCOMPARE(Prefs::saveFolder(), m_home.path() + "/Pictures/Brindlecap");
    QCOMPARE(Prefs::combo(CaptureAction::area), Combo(KeyCombo{25, 768, "Shift+Ctrl+9"}));
    QCOMPARE(Prefs::combo(CaptureAction::fullScreen), Combo(KeyCombo{28, 768, "Shift+Ctrl+8"}));
    QCOMPARE(Prefs::combo(CaptureAction::recents), Combo(KeyCombo{29, 768, "Shift+Ctrl+0"}));
}

void tst_Prefs::booleansReadOnlyExactBooleans_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("autoCopy");
    QTest::addColumn<bool>("didShowWelcome");

    QTest::newRow("false and true are read")
        << QByteArray("autoCopy=false\ndidShowWelcome=true") << false << true;
    QTest::newRow("a word reads as the default")
        << QByteArray("autoCopy=abc\ndidShowWelcome=abc") << true << false;
    QTest::newRow("capitals are not booleans")
        << QByteArray("autoCopy=FALSE\ndidShowWelcome=TRUE") << true << false;
    QTest::newRow("numbers are not booleans")
        << QByteArray("autoCopy=0\ndidShowWelcome=1") << true << false;
    QTest::newRow("empty values read as the default")
        << QByteArray("autoCopy=\ndidShowWelcome=") << true << false;
    QTest::newRow("a list reads as the default")
        << QByteArray("autoCopy=false, false\ndidShowWelcome=true, true") << true << false;
}

void tst_Prefs::booleansReadOnlyExactBooleans() {
    QFETCH(QByteArray, line);
    QFETCH(bool, autoCopy);
    QFETCH(bool, didShowWelcome);

    writeSettingsFile(line);

    QCOMPARE(Prefs::autoCopy(), autoCopy);
    QCOMPARE(Prefs::didShowWelcome(), didShowWelcome);
}

void tst_Prefs::markerOpacityReadClamped_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<double>("expected");

    QTest::newRow("in range") << QByteArray("0.7") << 0.7;
    QTest::newRow("0.05 reads 0.1") << QByteArray("0.05") << 0.1;
    QTest::newRow("3 reads 1.0") << QByteArray("3") << 1.0;
    QTest::newRow("negative reads 0.1") << QByteArray("-2") << 0.1;
    QTest::newRow("nan reads the default") << QByteArray("nan") << 0.4;
    QTest::newRow("overflowing 1e999 reads the default") << QByteArray("1e999") << 0.4;
    QTest::newRow("inf reads the default") << QByteArray("inf") << 0.4;
    QTest::newRow("a boolean reads the default") << QByteArray("true") << 0.4;
    QTest::newRow("trailing letters read the default") << QByteArray("0.5abc") << 0.4;
    QTest::newRow("empty reads the default") << QByteArray("") << 0.4;
}

void tst_Prefs::markerOpacityReadClamped() {
    QFETCH(QByteArray, value);
    QFETCH(double, expected);

    writeSettingsFile("markerOpacity=" + value);

    QCOMPARE(Prefs::markerOpacity(), expected);
}

void tst_Prefs::markerOpacityWriteClamped_data() {
    QTest::addColumn<double>("written");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("in range") << 0.55 << QVariant(0.55);
    QTest::newRow("too low") << 0.05 << QVariant(0.1);
    QTest::newRow("too high") << 3.0 << QVariant(1.0);
    QTest::newRow("nan stores nothing") << double(NAN) << QVariant();
    QTest::newRow("infinity stores nothing") << double(INFINITY) << QVariant();
}

void tst_Prefs::markerOpacityWriteClamped() {
    QFETCH(double, written);
    QFETCH(QVariant, expected);

    Prefs::setMarkerOpacity(written);

    const QVariant value = stored(Prefs::Keys::markerOpacity);
    QCOMPARE(value.isValid(), expected.isValid());
    if (expected.isValid())
        QCOMPARE(value.toDouble(), expected.toDouble());
}

void tst_Prefs::sizeReadClamped_data() {
    QTest::addColumn<Tool>("tool");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<double>("expected");

    QTest::newRow("pen in range") << Tool(Tool::pen) << QByteArray("7.5") << 7.5;
    QTest::newRow("marker 100 reads 40") << Tool(Tool::marker) << QByteArray("100") << 40.0;
    QTest::newRow("marker 1 reads 4") << Tool(Tool::marker) << QByteArray("1") << 4.0;
    QTest::newRow("negative arrow reads 1") << Tool(Tool::arrow) << QByteArray("-5") << 1.0;
    QTest::newRow("huge number reads 48") << Tool(Tool::number) << QByteArray("1e300") << 48.0;
    QTest::newRow("overflow reads the default")
        << Tool(Tool::number) << QByteArray("1e999") << 26.0;
    QTest::newRow("a boolean reads the default")
        << Tool(Tool::marker) << QByteArray("true") << 16.0;
    QTest::newRow("nan reads the default") << Tool(Tool::rect) << QByteArray("nan") << 3.0;
}

void tst_Prefs::sizeReadClamped() {
    QFETCH(Tool, tool);
    QFETCH(QByteArray, value);
    QFETCH(double, expected);

    writeSettingsFile(Prefs::Keys::size(tool).toUtf8() + "=" + value);

    QCOMPARE(Prefs::size(tool), expected);
}

void tst_Prefs::setSizeStoresClamped_data() {
    QTest::addColumn<Tool>("tool");
    QTest::addColumn<double>("written");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("pen 0.5 stores 1") << Tool(Tool::pen) << 0.5 << QVariant(1.0);
    QTest::newRow("number 60 stores 48") << Tool(Tool::number) << 60.0 << QVariant(48.0);
    QTest::newRow("marker in range") << Tool(Tool::marker) << 22.0 << QVariant(22.0);
    QTest::newRow("nan stores nothing") << Tool(Tool::line) << double(NAN) << QVariant();
    QTest::newRow("text stores nothing") << Tool(Tool::text) << 10.0 << QVariant();
    QTest::newRow("pixelate stores nothing") << Tool(Tool::pixelate) << 10.0 << QVariant();
}

void tst_Prefs::setSizeStoresClamped() {
    QFETCH(Tool, tool);
    QFETCH(double, written);
    QFETCH(QVariant, expected);

    Prefs::setSize(written, tool);

    const QVariant value = stored(Prefs::Keys::size(tool));
    QCOMPARE(value.isValid(), expected.isValid());
    if (expected.isValid())
        QCOMPARE(value.toDouble(), expected.toDouble());
}

void tst_Prefs::textAndPixelateAreAlwaysThree() {
    writeSettingsFile("size.text=10\nsize.pixelate=12");

    QCOMPARE(Prefs::size(Tool::text), 3.0);
    QCOMPARE(Prefs::size(Tool::pixelate), 3.0);
}

void tst_Prefs::saveFolderTakesStoredPathAsIs() {
    Prefs::setSaveFolder("/tmp/shots-that-do-not-exist");

    QCOMPARE(Prefs::saveFolder(), QStringLiteral("/tmp/shots-that-do-not-exist"));
    QVERIFY(!QFileInfo::exists("/tmp/shots-that-do-not-exist"));
}

void tst_Prefs::emptySaveFolderMeansDefault() {
    writeSettingsFile("saveFolder=");

    QCOMPARE(Prefs::saveFolder(), m_home.path() + "/Pictures/Brindlecap");
}

void tst_Prefs::newFileNameFollowsPattern() {
    const QDateTime morning(QDate(2026, 12, 5), QTime(8, 19, 19, 500));

    QCOMPARE(Prefs::newFileName(morning), QStringLiteral("Brindlecap 2026-12-05 08.19.19.png"));
    QVERIFY(QRegularExpression(R"(^Brindlecap \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d\.png$)")
                .match(Prefs::newFileName())
                .hasMatch());
}

void tst_Prefs::comboRoundTripsThroughFile() {
    const KeyCombo combo{123, 6144, "Super+Alt+←"};

    Prefs::setCombo(combo, CaptureAction::fullScreen);
    QFile file(store().fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    writeSettingsFile(text.mid(text.indexOf('\n') + 1));

    QVERIFY(text.contains("hotkey.fullScreen=\"@ByteArray({"));
    QCOMPARE(Prefs::combo(CaptureAction::fullScreen), Combo(combo));
    QCOMPARE(Prefs::combo(CaptureAction::area), Prefs::defaultCombo(CaptureAction::area));
}

void tst_Prefs::clearedComboStaysCleared() {
    Prefs::setCombo(std::nullopt, CaptureAction::recents);
    QFile file(store().fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    writeSettingsFile(file.readAll().replace("[General]\n", ""));

    const QVariant value = stored(Prefs::Keys::hotkey(CaptureAction::recents));
    QCOMPARE(value.typeId(), int(QMetaType::QByteArray));
    QCOMPARE(value.toByteArray().size(), 0);
    QCOMPARE(Prefs::combo(CaptureAction::recents), Combo());
}

void tst_Prefs::undecodableComboIsNoShortcut_data() {
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("empty") << QByteArray("@ByteArray()");
    QTest::newRow("not JSON") << QByteArray("@ByteArray(abc)");
    QTest::newRow("display missing")
        << QByteArray(R"ini("@ByteArray({\"keyCode\":25,\"modifiers\":768})")ini");
    QTest::newRow("keyCode as text") << QByteArray(
        R"ini("@ByteArray({\"keyCode\":\"25\",\"modifiers\":768,\"display\":\"x\"})")ini");
}

void tst_Prefs::undecodableComboIsNoShortcut() {
    QFETCH(QByteArray, value);

    writeSettingsFile("hotkey.area=" + value);

    QCOMPARE(stored("hotkey.area").typeId(), int(QMetaType::QByteArray));
    QCOMPARE(Prefs::combo(CaptureAction::area), Combo());
}

// Only bytes count as a stored shortcut; text under the key is "nothing stored".
void tst_Prefs::comboStoredAsTextIsIgnored() {
    writeSettingsFile(
        "hotkey.area=\"{\\\"keyCode\\\":0,\\\"modifiers\\\":256,\\\"display\\\":\\\"A\\\"}\"");

    QCOMPARE(stored("hotkey.area").typeId(), int(QMetaType::QString));
    QCOMPARE(Prefs::combo(CaptureAction::area), Prefs::defaultCombo(CaptureAction::area));
}

// Output delivery reads keepHistory on a worker thread while the settings window writes; the
// reader must never see a half-written store and fall back to the default.
void tst_Prefs::keepHistoryReadOffTheMainThreadWhileWritten() {
    Prefs::setBool(Prefs::Keys::keepHistory, false);
    std::atomic<bool> stop = false;
    std::atomic<int> reads = 0;
    std::atomic<int> wrong = 0;
    std::unique_ptr<QThread> reader(QThread::create([&] {
        while (!stop) {
            if (Prefs::keepHistory())
                ++wrong;
            ++reads;
        }
    }));

    reader->start();
    for (int i = 0; i < 100; ++i) {
        Prefs::setMarkerOpacity(i % 2 ? 0.3 : 0.6);
        Prefs::setBool(Prefs::Keys::keepHistory, false);
    }
    stop = true;
    reader->wait();

    QVERIFY(reads > 0);
    QCOMPARE(wrong.load(), 0);
}

QTEST_APPLESS_MAIN(tst_Prefs)
#include "tst_Prefs.moc"
