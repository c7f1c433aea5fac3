// Times the preference reads an area capture makes, with an ordinary settings file, one just
// under the size the store still parses, and a 30 MB one, against a fresh QSettings per read.
#include "Timing.h"
#include "settings/Prefs.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double medianUs(int runs, const std::function<void()>& work) {
    return medianMs(runs, work) * 1e3;
}

// What a capture reads, from the overlay to the delivery.
void captureReads() {
    volatile double sink = Prefs::autoCopy() + Prefs::showLoupe() + Prefs::markerOpacity() +
                           Prefs::keepHistory() + Prefs::autoSaveArea() +
                           Prefs::saveFolder().size();
    for (Tool tool : Tool::allCases())
        sink = sink + Prefs::size(tool);
}

void writeFile(const QString& path, qint64 junkLines) {
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write("[General]\nautoCopy=true\nmarkerOpacity=0.5\nsize.pen=4\n");
    for (qint64 i = 0; i < junkLines; ++i)
        file.write("junk" + QByteArray::number(i) + '=' + QByteArray(64, 'x') + '\n');
}

} // namespace

int main(int argc, char* argv[]) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    qputenv("XDG_PICTURES_DIR", home.path().toUtf8());
    QCoreApplication app(argc, argv);
    const QString path = home.path() + QStringLiteral("/Brindlecap/Brindlecap.conf");
    QDir().mkpath(home.path() + QStringLiteral("/Brindlecap"));

    struct Case {
        const char* name;
        qint64 junkLines;
    };
    for (const Case& c :
         {Case{"ordinary file", 0}, Case{"0.9 MB file", 11500}, Case{"30 MB file", 400000}}) {
        writeFile(path, c.junkLines);
        const double first = medianUs(1, captureReads);
        const double later = medianUs(101, captureReads);
        const double former = medianUs(c.junkLines > 100000 ? 1 : 5, [&] {
            for (int read = 0; read < 12; ++read)
                QSettings(path, QSettings::IniFormat).value(QStringLiteral("autoCopy"));
        });
        std::printf("%-14s the 12 reads of a capture: first %.0f us, then %.1f us (median); "
                    "a QSettings per read: %.0f us\n",
                    c.name, first, later, former);
    }
    return 0;
}
