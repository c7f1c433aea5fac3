// Inside the headless KWin session (two 1920x1080 outputs; scripts/bench.sh starts it): KWin's
// ScreenShot2 call itself for one output and for both at once, `brindlecap full --output` for that
// output, and `brindlecap area` until the overlays are on the display. Prints medians.
#include "ProgramUnderTest.h"
#include "wayland/SessionEnvironment.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusUnixFileDescriptor>
#include <QImageReader>
#include <QTemporaryDir>

#include <fcntl.h>
#include <numeric>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int runs = 7;

// Raw captures of `screens`, all asked for at once as the program's KWin back-end asks, each read
// to the end on a thread of its own; the bytes read in all, or -1 when a call failed.
qsizetype screenShot2(const QStringList& screens) {
    QList<QDBusPendingCall> replies;
    std::vector<std::thread> readers;
    std::vector<qsizetype> totals(screens.size(), 0);
    for (qsizetype i = 0; i < screens.size(); ++i) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return -1;
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.kde.KWin"), QStringLiteral("/org/kde/KWin/ScreenShot2"),
            QStringLiteral("org.kde.KWin.ScreenShot2"), QStringLiteral("CaptureScreen"));
        call << screens[i] << QVariantMap{{QStringLiteral("native-resolution"), true}}
             << QVariant::fromValue(QDBusUnixFileDescriptor(fds[1]));
        ::close(fds[1]);
        // The pending call keeps its copy of the write end until it goes (below), only then
        // can the read end.
        replies.append(QDBusConnection::sessionBus().asyncCall(call, waitMs));
        readers.emplace_back([fd = fds[0], total = &totals[size_t(i)]] {
            char chunk[1 << 16];
            // A KWin that stops answering fails the run instead of hanging it.
            pollfd ready{fd, POLLIN, 0};
            for (ssize_t got;
                 ::poll(&ready, 1, waitMs) > 0 && (got = ::read(fd, chunk, sizeof chunk)) > 0;)
                *total += got;
            ::close(fd);
        });
    }
    bool replied = true;
    for (QDBusPendingCall& reply : replies) {
        reply.waitForFinished();
        replied = replied && !reply.isError();
    }
    replies.clear();
    for (std::thread& reader : readers)
        reader.join();
    return replied ? std::accumulate(totals.begin(), totals.end(), qsizetype(0)) : -1;
}

void report(const char* what, double ms) {
    std::printf("  %-52s %8.1f ms\n", what, ms);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    const QProcessEnvironment session =
        sessionEnvironment(qEnvironmentVariable("BRINDLE_KWIN_STATE"));
    if (!session.contains(QStringLiteral("WAYLAND_DISPLAY"))) {
        std::fprintf(stderr, "run inside the KWin session: tests/wayland/kwin-session.sh run\n");
        return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", session.value("DBUS_SESSION_BUS_ADDRESS").toUtf8());
    QCoreApplication app(argc, argv);
    std::printf("KWin --virtual: Virtual-0 and Virtual-1, 1920x1080 each\n");

    qsizetype bytes = 0;
    const double callMs =
        medianMs(runs, [&] { bytes = screenShot2({QStringLiteral("Virtual-0")}); });
    qsizetype bothBytes = 0;
    const double bothMs = medianMs(runs, [&] {
        bothBytes = screenShot2({QStringLiteral("Virtual-0"), QStringLiteral("Virtual-1")});
    });
    if (bytes <= 0 || bothBytes <= bytes) {
        std::fprintf(stderr, "ScreenShot2 failed\n");
        return 1;
    }
    report("ScreenShot2 CaptureScreen, raw image read", callMs);
    // What an area capture waits for before it can show anything.
    report("ScreenShot2 of both outputs at once, raw images read", bothMs);

    QTemporaryDir home;
    QProcessEnvironment env = privateSession(home.path());
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "XDG_CURRENT_DESKTOP", "XDG_SESSION_TYPE"})
        env.insert(QString::fromLatin1(name), session.value(QString::fromLatin1(name)));
    // The program keeps its own runtime folder: the compositor's socket by its full path.
    env.insert(QStringLiteral("WAYLAND_DISPLAY"),
               session.value("XDG_RUNTIME_DIR") + u'/' + session.value("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));

    QProcess program;
    if (!startProgram(program, env))
        return 1;
    QThread::msleep(1500);
    const QString png = home.filePath(QStringLiteral("full.png"));
    bool written = true;
    const double fullMs = medianMs(runs, [&] {
        QProcess command;
        command.setProcessEnvironment(env);
        command.start(QStringLiteral(BRINDLECAP_BINARY),
                      {"full", "--screen", "0", "--output", png});
        written = command.waitForFinished(waitMs) && command.exitCode() == 0 && written;
    });
    const QSize size = QImageReader(png).size();
    if (!written || size != QSize(1920, 1080)) {
        std::fprintf(stderr, "brindlecap full --output failed\n");
        return 1;
    }
    report("brindlecap full --screen 0 --output (1920x1080 PNG)", fullMs);

    // No input tool ends a capture here: each area capture gets a fresh program, timed from the
    // command once the program has settled, not from its start.
    program.terminate();
    program.waitForFinished(waitMs);
    QList<double> areaMs;
    for (int i = 0; i < runs; ++i) {
        QProcess fresh;
        if (!startProgram(fresh, env))
            return 1;
        QThread::msleep(3000);
        QProcess command;
        command.setProcessEnvironment(env);
        const qint64 start = nowUs();
        command.start(QStringLiteral(BRINDLECAP_BINARY), {QStringLiteral("area")});
        const qint64 shown = waitForTrace(fresh, "overlays-shown");
        command.waitForFinished(waitMs);
        fresh.terminate();
        fresh.waitForFinished(waitMs);
        if (shown < 0) {
            std::fprintf(stderr, "brindlecap area: the overlays never showed\n");
            return 1;
        }
        areaMs.append((shown - start) / 1000.0);
    }
    report("brindlecap area to the overlays on the display", median(areaMs));
    return 0;
}
