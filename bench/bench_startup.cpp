// Starts the real program and times `brindlecap area` (a second process handing the command
// over the socket) until the overlays on every monitor are on the display, as the program reports
// with BRINDLE_TRACE=1; also reads the program's resident memory when idle and after the captures.
// Needs an X server with xdotool; scripts/bench.sh runs it inside the 4K fixture.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

constexpr int captures = 20;
constexpr int waitMs = 10000;
constexpr int pauseMs = 5000;

qint64 nowUs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec * 1000000LL + now.tv_nsec / 1000;
}

long rssKb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

int visibleWindows() {
    QProcess search;
    search.start(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--class", "brindlecap"});
    search.waitForFinished(waitMs);
    return int(search.readAllStandardOutput().count('\n'));
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Reads the program's output until it reports painted overlays; the report's time, or -1.
qint64 waitForTrace(QProcess& program) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < waitMs) {
        while (program.canReadLine()) {
            const QByteArray line = program.readLine().trimmed();
            if (line.startsWith("overlays-shown "))
                return line.mid(15).toLongLong();
        }
        program.waitForReadyRead(100);
    }
    return -1;
}

bool waitUntil(const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < waitMs) {
        if (condition())
            return true;
        QThread::msleep(20);
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    const QString runtime = home.path() + QStringLiteral("/run");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(home.path() + QStringLiteral("/.config/Brindlecap"));
    QFile conf(home.path() + QStringLiteral("/.config/Brindlecap/Brindlecap.conf"));
    if (!conf.open(QIODevice::WriteOnly))
        return 1;
    conf.write("[General]\ndidShowWelcome=true\n");
    conf.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("BRINDLE_TRACE"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));

    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::SeparateChannels);
    program.start(QStringLiteral(BRINDLECAP_BINARY), {});
    if (!program.waitForStarted() ||
        !waitUntil([&] { return QFile::exists(runtime + QStringLiteral("/brindlecap.socket")); })) {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    QThread::msleep(1500);
    const long idleKb = rssKb(program.processId());

    // Memory freed by a capture is handed back to the system within seconds, and fresh memory
    // costs far more to touch than memory just released: captures in a row and captures after a
    // pause are timed apart.
    QList<double> inARow, afterPause;
    long afterFirstKb = 0;
    for (int i = 0; i < captures; ++i) {
        const bool paused = i >= captures / 2;
        if (paused)
            QThread::msleep(pauseMs);
        const qint64 start = nowUs();
        QProcess command;
        command.setProcessEnvironment(env);
        command.start(QStringLiteral(BRINDLECAP_BINARY), {QStringLiteral("area")});
        const qint64 shown = waitForTrace(program);
        command.waitForFinished(waitMs);
        if (shown < 0) {
            std::fprintf(stderr, "capture %d: the overlays never showed\n", i + 1);
            program.kill();
            return 1;
        }
        (paused ? afterPause : inARow).append((shown - start) / 1000.0);
        QThread::msleep(200);
        QProcess::execute(QStringLiteral("xdotool"), {"key", "Escape"});
        if (!waitUntil([] { return visibleWindows() == 0; })) {
            std::fprintf(stderr, "capture %d: Escape did not end it\n", i + 1);
            program.kill();
            return 1;
        }
        if (i == 0) {
            QThread::msleep(1000);
            afterFirstKb = rssKb(program.processId());
        }
    }
    QThread::msleep(1500);
    const long afterKb = rssKb(program.processId());

    program.terminate();
    if (!program.waitForFinished(5000))
        program.kill();

    const auto report = [](const char* name, const QList<double>& ms) {
        std::printf("area command to overlays on the display, %s: median %.1f ms (min %.1f, max "
                    "%.1f, %d runs)\n",
                    name, median(ms), *std::min_element(ms.begin(), ms.end()),
                    *std::max_element(ms.begin(), ms.end()), int(ms.size()));
    };
    report("captures in a row", inARow);
    report("each after a 5 s pause", afterPause);
    std::printf(
        "resident memory: idle %.1f MB, after 1 capture %.1f MB, after %d captures %.1f MB\n",
        idleKb / 1024.0, afterFirstKb / 1024.0, captures, afterKb / 1024.0);
    return 0;
}
