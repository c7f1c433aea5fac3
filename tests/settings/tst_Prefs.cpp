// The settings store as every part of the program reads it: defaults, clamps, strict typed reads
// of what a hand-edited or damaged settings file may hold, and reads from another thread.
#include "settings/Prefs.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cmath>

using Combo = std::optional<KeyCombo>;
Q_DECLARE_METATYPE(Combo)

char* toString(const Combo& combo) {
    return qstrdup(combo ? combo->toJson().constData() : "no combo");
}

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
    QDir().mkpath(QFileInfo(file).path());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[General]\n" + lines + "\n");
    file.flush();
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

    // Other defaults are checked where damaged values fall back to them.
    void freshStoreHasDefaults() {
        QVERIFY(Prefs::autoSaveFullScreen() && !Prefs::didShowWelcome());
        QCOMPARE(Prefs::saveFolder(), m_home.path() + "/Pictures/Brindlecap");
        QCOMPARE(Prefs::combo(CaptureAction::area), Combo(KeyCombo{25, 768, "Shift+Ctrl+9"}));
        QCOMPARE(Prefs::combo(CaptureAction::fullScreen), Combo(KeyCombo{28, 768, "Shift+Ctrl+8"}));
        QCOMPARE(Prefs::combo(CaptureAction::recents), Combo(KeyCombo{29, 768, "Shift+Ctrl+0"}));
    }

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
        QCOMPARE(read("markerOpacity=1e999"), 0.4);
        QCOMPARE(read("size.arrow=-5"), 1.0);
        QCOMPARE(read("size.number=1e300"), 48.0);
        QCOMPARE(read("size.marker=true"), 16.0);
        QCOMPARE(read("size.text=10"), 3.0);
        QCOMPARE(read("autoCopy=false"), 0.0);
        QCOMPARE(read("autoCopy=abc"), 1.0);
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
        QCOMPARE(Prefs::combo(CaptureAction::recents), Combo());
        const auto decoded = [](QByteArray json) {
            // Bytes as QSettings writes them: quoted, the quotes inside escaped.
            writeSettingsFile("hotkey.area=\"@ByteArray(" + json.replace('\'', "\\\"") + ")\"");
            return Prefs::combo(CaptureAction::area);
        };

        QCOMPARE(decoded("{'keyCode':3,'modifiers':256,'display':'x'}"),
                 Combo(KeyCombo{3, 256, "x"}));
        QCOMPARE(decoded(""), Combo());
        QCOMPARE(decoded("abc"), Combo());
        QCOMPARE(decoded("{'keyCode':25,'modifiers':768}"), Combo());
        QCOMPARE(decoded("{'keyCode':'25','modifiers':768,'display':'x'}"), Combo());
    }

    // Output delivery reads keepHistory on a worker thread while the settings window writes; the
    // reader must never see a half-written store and fall back to the default.
    void keepHistoryReadOffTheMainThreadWhileWritten() {
        Prefs::setBool(Prefs::Keys::keepHistory, false);
        std::atomic<bool> stop = false;
        std::atomic<int> reads = 0, wrong = 0;
        std::unique_ptr<QThread> reader(QThread::create([&] {
            for (; !stop || reads == 0; ++reads)
                wrong += Prefs::keepHistory();
        }));

        reader->start();
        for (int i = 0; i < 20; ++i) {
            Prefs::setMarkerOpacity(i % 2 ? 0.3 : 0.6);
            Prefs::setBool(Prefs::Keys::keepHistory, false);
        }
        stop = true;
        reader->wait();

        QCOMPARE(wrong.load(), 0);
    }
};

QTEST_APPLESS_MAIN(tst_Prefs)
#include "tst_Prefs.moc"
