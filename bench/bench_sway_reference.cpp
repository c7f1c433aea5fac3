// What the program's Wayland capture is measured against, inside a headless sway session (run by
// scripts/bench.sh as the session's user): grim writing the whole layout as PNG, and the
// screenshot portal's non-interactive call (whose wlr back-end runs grim itself). Prints medians.
#include "PortalScreenshot.h"
#include "Timing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cstdio>

namespace {

constexpr int runs = 5;
constexpr int waitMs = 30000;

QByteArray output(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(waitMs))
        process.kill();
    process.waitForFinished();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0
               ? process.readAllStandardOutput()
               : QByteArray();
}

// "HEADLESS-1 1920x1080 at 0,0 scale 1, ..." from sway itself.
QString layout() {
    QStringList outputs;
    const QJsonArray all =
        QJsonDocument::fromJson(output(QStringLiteral("swaymsg"), {"-t", "get_outputs"})).array();
    for (const QJsonValue o : all) {
        const QJsonObject mode = o[QLatin1String("current_mode")].toObject();
        const QJsonObject rect = o[QLatin1String("rect")].toObject();
        outputs << QStringLiteral("%1 %2x%3 at %4,%5 scale %6")
                       .arg(o[QLatin1String("name")].toString())
                       .arg(mode[QLatin1String("width")].toInt())
                       .arg(mode[QLatin1String("height")].toInt())
                       .arg(rect[QLatin1String("x")].toInt())
                       .arg(rect[QLatin1String("y")].toInt())
                       .arg(o[QLatin1String("scale")].toDouble());
    }
    return outputs.join(QStringLiteral(", "));
}

QString sizeOf(const QString& png) {
    const QSize size = QImageReader(png).size();
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

void report(const QString& what, double ms) {
    std::printf("  %-48s %8.1f ms\n", qPrintable(what), ms);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariable("WAYLAND_DISPLAY").isEmpty()) {
        std::fprintf(stderr, "run inside a sway session: tests/wayland/as-user.sh STATE %s\n",
                     argv[0]);
        return 1;
    }
    std::printf("sway: %s\n", qPrintable(layout()));

    const QString png = QDir::temp().filePath(QStringLiteral("bench-sway-reference-grim.png"));
    bool grimWorked = true;
    const double grimMs = medianMs(runs, [&] {
        grimWorked = grimWorked && QProcess::execute(QStringLiteral("grim"), {png}) == 0;
    });
    if (!grimWorked) {
        std::fprintf(stderr, "grim failed\n");
        return 1;
    }
    report(QStringLiteral("grim, whole layout to PNG (%1)").arg(sizeOf(png)), grimMs);
    QFile::remove(png);

    PortalScreenshot::Answer answer;
    const double portalMs = medianMs(runs, [&] { answer = PortalScreenshot::take(waitMs); });
    if (answer.code != 0) {
        std::fprintf(stderr, "the screenshot portal answered %d %s\n", answer.code,
                     qPrintable(answer.error));
        return 1;
    }
    report(QStringLiteral("portal Screenshot, non-interactive (%1)")
               .arg(sizeOf(answer.uri.toLocalFile())),
           portalMs);
    return 0;
}
