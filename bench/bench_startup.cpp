// Starts the real program and times the area shortcut (pressed through XTEST) and `brindlecap area`
// (a second process handing the command over the socket) until the overlays on every monitor are
// on the display, as the program reports with BRINDLE_TRACE=1; also reads the program's resident
// memory when idle, after the captures and after full-screen captures in a row. Needs an X server
// with xdotool; scripts/bench.sh runs it inside the 4K fixture.
#include "ProgramUnderTest.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Captures in a row are cheap to time, and enough of them show whether memory creeps up.
constexpr int runsInARow = 20;
constexpr int runsAfterPause = 8;
constexpr int pauseMs = 5000;
constexpr int fullScreenRuns = 20;

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    const QProcessEnvironment env = privateSession(home.path());
    QProcess program;
    if (!startProgram(program, env))
        return 1;
    QThread::msleep(1500);
    const long idleKb = rssKb(program.processId());

    // Memory freed by a capture is handed back to the system within seconds, and fresh memory
    // costs far more to touch than memory just released: captures in a row and captures after a
    // pause are timed apart, each from the shortcut and from the command.
    struct Series {
        const char* name;
        bool shortcut;
        bool paused;
        QList<double> ms;
    };
    QList<Series> series{{"Shift+Ctrl+9, captures in a row", true, false, {}},
                         {"Shift+Ctrl+9, each after a 5 s pause", true, true, {}},
                         {"`brindlecap area`, captures in a row", false, false, {}},
                         {"`brindlecap area`, each after a 5 s pause", false, true, {}}};
    Keyboard keyboard;
    if (!keyboard.ready()) {
        std::fprintf(stderr, "no X server with the keys to press\n");
        return 1;
    }
    long afterFirstKb = 0, afterTenKb = 0;
    int done = 0;
    for (Series& s : series) {
        for (int i = 0; i < (s.paused ? runsAfterPause : runsInARow); ++i) {
            if (s.paused)
                QThread::msleep(pauseMs);
            QProcess command;
            command.setProcessEnvironment(env);
            qint64 start = nowUs();
            if (s.shortcut)
                start = keyboard.pressShiftControl(0x39);
            else
                command.start(QStringLiteral(BRINDLECAP_BINARY), {QStringLiteral("area")});
            const qint64 shown = waitForTrace(program, "overlays-shown");
            command.waitForFinished(waitMs);
            if (shown < 0) {
                std::fprintf(stderr, "%s: the overlays never showed\n", s.name);
                program.kill();
                return 1;
            }
            s.ms.append((shown - start) / 1000.0);
            QThread::msleep(200);
            QProcess::execute(QStringLiteral("xdotool"), {"key", "Escape"});
            if (!waitUntil([] { return visibleWindows() == 0; })) {
                std::fprintf(stderr, "%s: Escape did not end the capture\n", s.name);
                program.kill();
                return 1;
            }
            if (++done == 1 || done == 10) {
                QThread::msleep(1000);
                (done == 1 ? afterFirstKb : afterTenKb) = rssKb(program.processId());
            }
        }
    }
    QThread::msleep(1500);
    const long afterKb = rssKb(program.processId());

    // Full-screen captures in a row, each waited for until its file is in the save folder.
    const QDir saveFolder(home.path() + QStringLiteral("/Pictures/Brindlecap"));
    const auto saved = [&] { return saveFolder.entryList({QStringLiteral("*.png")}).size(); };
    long afterOneFullKb = 0, afterAllFullKb = 0;
    for (int i = 0; i < fullScreenRuns; ++i) {
        const qsizetype before = saved();
        QProcess command;
        command.setProcessEnvironment(env);
        command.start(QStringLiteral(BRINDLECAP_BINARY), {QStringLiteral("full")});
        command.waitForFinished(waitMs);
        if (!waitUntil([&] { return saved() > before; })) {
            std::fprintf(stderr, "full-screen capture %d wrote no file\n", i + 1);
            program.kill();
            return 1;
        }
        if (i == 0 || i == fullScreenRuns - 1) {
            QThread::msleep(1500);
            (i == 0 ? afterOneFullKb : afterAllFullKb) = rssKb(program.processId());
        }
    }

    program.terminate();
    if (!program.waitForFinished(5000))
        program.kill();

    for (const Series& s : series)
        std::printf("to both overlays on the display, %s: median %.1f ms (min %.1f, max %.1f, "
                    "%d runs)\n",
                    s.name, median(s.ms), *std::min_element(s.ms.begin(), s.ms.end()),
                    *std::max_element(s.ms.begin(), s.ms.end()), int(s.ms.size()));
    std::printf(
        "resident memory: idle %.1f MB, after 1 capture %.1f MB, after 10 %.1f MB, after %d "
        "%.1f MB\n",
        idleKb / 1024.0, afterFirstKb / 1024.0, afterTenKb / 1024.0, done, afterKb / 1024.0);
    std::printf("resident memory: after 1 full-screen capture %.1f MB, after %d in a row %.1f MB "
                "(goal: within 10 MB)\n",
                afterOneFullKb / 1024.0, fullScreenRuns, afterAllFullKb / 1024.0);
    return 0;
}
