// The program's capture under headless sway (run by scripts/bench.sh as the session's user), with
// its references measured in the same run. Layout "two" (1920x1080 at scale 1 beside 1920x1080 at
// scale 2): from `brindlecap area` to both overlays painted with the frozen screens, through the
// compositor's screen copy and through the portal, beside the portal call alone. Layout "4k" (one
// 3840x2160 output): `brindlecap full --output` beside grim writing the same output. Medians.
#include "PortalScreenshot.h"
#include "ProgramUnderTest.h"

#include <QCoreApplication>
#include <QTemporaryDir>

namespace {

constexpr int runs = 7;

void report(const QString& what, double ms) {
    std::printf("  %-56s %8.1f ms\n", qPrintable(what), ms);
    std::fflush(stdout);
}

// The private session of ProgramUnderTest.h, on this Wayland display: Qt finds the display by
// its full path, since the program's runtime folder is its own.
QProcessEnvironment waylandSession(const QString& home, const QString& grabber) {
    QProcessEnvironment env = privateSession(home);
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), qEnvironmentVariable("XDG_RUNTIME_DIR") + u'/' +
                                                      qEnvironmentVariable("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    env.insert(QStringLiteral("BRINDLE_GRABBER"), grabber);
    return env;
}

bool launch(const QProcessEnvironment& env, const QStringList& arguments) {
    QProcess launcher;
    launcher.setProcessEnvironment(env);
    launcher.start(QStringLiteral(BRINDLECAP_BINARY), arguments);
    return launcher.waitForFinished(waitMs) && launcher.exitCode() == 0;
}

// Median time from `brindlecap area` to both overlays painted; -1 when they never showed.
// `alongside` runs after each capture, so that a reference meets the same load.
double areaToOverlays(const QString& grabber, const std::function<void()>& alongside = {}) {
    QTemporaryDir home;
    const QProcessEnvironment env = waylandSession(home.path(), grabber);
    QProcess program;
    if (!startProgram(program, env))
        return -1;
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        const qint64 started = nowUs();
        if (!launch(env, {QStringLiteral("area")})) {
            std::fprintf(stderr, "brindlecap area failed\n");
            break;
        }
        // The portal takes seconds on a busy machine.
        const qint64 shown = waitForTrace(program, "overlays-shown", 3 * waitMs);
        if (shown < 0) {
            std::fprintf(stderr, "the overlays did not show: %s\n",
                         program.readAllStandardError().constData());
            break;
        }
        times.append((shown - started) / 1000.0);
        // sway gives a new window the keyboard only once it has drawn it.
        QThread::msleep(1000);
        QProcess::execute(QStringLiteral("wtype"), {"-s", "1", "-k", "Escape"});
        QThread::msleep(700);
        if (alongside)
            alongside();
    }
    program.terminate();
    program.waitForFinished(waitMs);
    return times.size() == runs ? median(times) : -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString layout = qEnvironmentVariable("BRINDLE_SWAY_LAYOUT");
    if (layout == QLatin1String("two")) {
        const double raw = areaToOverlays(QStringLiteral("wlr"));
        // The portal's own time varies by a third from one minute to the next: each call alone
        // is timed right after one of the program's.
        PortalScreenshot::Answer answer;
        QList<double> calls;
        const double portal = areaToOverlays(QStringLiteral("portal"), [&] {
            calls.append(medianMs(1, [&] { answer = PortalScreenshot::take(waitMs); }));
        });
        const double call = calls.isEmpty() ? -1 : median(calls);
        report(QStringLiteral("area to overlays, wlr screen copy (goal < 150)"), raw);
        report(QStringLiteral("area to overlays, portal"), portal);
        report(QStringLiteral("portal call alone"), answer.code == 0 ? call : -1);
        std::printf("  portal path / portal call: %.2f (goal <= 1.15)\n", portal / call);
        return raw > 0 && portal > 0 && answer.code == 0 ? 0 : 1;
    }

    QTemporaryDir home;
    const QProcessEnvironment env = waylandSession(home.path(), QStringLiteral("wlr"));
    QProcess program;
    if (!startProgram(program, env))
        return 1;
    const QString ours = home.filePath(QStringLiteral("full.png"));
    const QString grims = home.filePath(QStringLiteral("grim.png"));
    bool worked = true;
    // Side by side, alternating, so both meet the same load.
    QList<double> full, grim;
    for (int i = 0; i < runs; ++i) {
        full.append(medianMs(1, [&] {
            worked =
                launch(env, {QStringLiteral("full"), QStringLiteral("--output"), ours}) && worked;
        }));
        grim.append(medianMs(1, [&] {
            worked = QProcess::execute(QStringLiteral("grim"), {grims}) == 0 && worked;
        }));
    }
    program.terminate();
    program.waitForFinished(waitMs);
    report(QStringLiteral("full --output, 3840x2160"), median(full));
    report(QStringLiteral("grim, same output"), median(grim));
    std::printf("  full / grim: %.2f (goal < 0.5)\n", median(full) / median(grim));
    return worked ? 0 : 1;
}
