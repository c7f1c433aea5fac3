// Starts the real program with 20 history entries of 3840 x 2160 and times the recents action,
// from Shift+Ctrl+0 (pressed through XTEST) and from `brindlecap recents`, until the drawer's
// panel has painted and until every tile has its thumbnail, as the program reports with
// BRINDLE_TRACE=1; also reads the program's resident memory idle, with the drawer open, and once
// it has closed. The entries are added as output delivery adds them, thumbnails kept beside them;
// a last opening without those times decoding the entries themselves. Needs an X server with
// xdotool; scripts/bench.sh runs it inside the 4K fixture.
#include "ProgramUnderTest.h"
#include "SampleImages.h"
#include "capture/PngEncoder.h"
#include "recents/History.h"
#include "recents/TextIndex.h"

#include <QGuiApplication>
#include <QTemporaryDir>

namespace {

constexpr int runs = 10;

struct Series {
    const char* name;
    bool shortcut;
    QList<double> shownMs;
    QList<double> filledMs;
};

// Opens the drawer and times it; closes it again with Escape. False when it never showed.
bool openOnce(QProcess& program, const QProcessEnvironment& env, Keyboard& keyboard, Series& s,
              long* openKb = nullptr) {
    QProcess command;
    command.setProcessEnvironment(env);
    qint64 start = nowUs();
    if (s.shortcut)
        start = keyboard.pressShiftControl(0x30);
    else
        command.start(QStringLiteral(BRINDLECAP_BINARY), {QStringLiteral("recents")});
    const qint64 shown = waitForTrace(program, "drawer-shown");
    // Decoding twenty 4K entries the first time takes seconds on a small machine.
    const qint64 filled = waitForTrace(program, "drawer-filled", 6 * waitMs);
    command.waitForFinished(waitMs);
    if (shown < 0 || filled < 0) {
        std::fprintf(stderr, "%s: the drawer never %s\n", s.name, shown < 0 ? "showed" : "filled");
        return false;
    }
    s.shownMs.append((shown - start) / 1000.0);
    s.filledMs.append((filled - start) / 1000.0);
    QThread::msleep(400);
    if (openKb)
        *openKb = rssKb(program.processId());
    QProcess::execute(QStringLiteral("xdotool"), {"key", "Escape"});
    if (!waitUntil([] { return visibleWindows() == 0; })) {
        std::fprintf(stderr, "%s: Escape did not close the drawer\n", s.name);
        return false;
    }
    QThread::msleep(300);
    return true;
}

void report(const Series& s) {
    std::printf("%s: panel painted median %.1f ms (min %.1f, max %.1f), every thumbnail in "
                "median %.1f ms (max %.1f), %d runs\n",
                s.name, median(s.shownMs), *std::min_element(s.shownMs.begin(), s.shownMs.end()),
                *std::max_element(s.shownMs.begin(), s.shownMs.end()), median(s.filledMs),
                *std::max_element(s.filledMs.begin(), s.filledMs.end()), int(s.shownMs.size()));
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    QTemporaryDir home;
    const QProcessEnvironment env = privateSession(home.path());
    // The entries go where the program will look for them.
    qputenv("XDG_DATA_HOME", env.value(QStringLiteral("XDG_DATA_HOME")).toLocal8Bit());
    const QSize size(3840, 2160);
    const QImage text = textLikeImage(size), photo = photoLikeImage(size);
    const QByteArray textPng = *PngEncoder::encode(text, 1);
    const QByteArray photoPng = *PngEncoder::encode(photo, 1);
    const QDateTime morning = QDateTime::currentDateTime().addSecs(-3600);
    // As output delivery adds them: with the picture, so the thumbnails are kept at once, and
    // with their text already read, so the program's reading of entries without it stays out of
    // these times.
    for (int i = 0; i < History::capacity; ++i) {
        const QString entry =
            History::add(i % 2 ? photoPng : textPng, morning.addSecs(i), i % 2 ? photo : text);
        TextIndex::keep(entry, i % 2 ? QStringList() : QStringList{u"la captura de pantalla"_qs});
    }

    QProcess program;
    if (!startProgram(program, env))
        return 1;
    Keyboard keyboard;
    if (!keyboard.ready()) {
        std::fprintf(stderr, "no X server with the keys to press\n");
        return 1;
    }
    QThread::msleep(1500);
    const long idleKb = rssKb(program.processId());

    Series first{"first opening", false, {}, {}};
    Series shortcut{"Shift+Ctrl+0", true, {}, {}};
    Series command{"`brindlecap recents`", false, {}, {}};
    Series unkept{"thumbnails made from the 4K entries (none kept)", false, {}, {}};
    long openKb = 0;
    bool ok = openOnce(program, env, keyboard, first);
    for (int i = 0; ok && i < runs; ++i)
        ok = openOnce(program, env, keyboard, shortcut, &openKb) &&
             openOnce(program, env, keyboard, command);
    QDir(History::folder() + QStringLiteral("/.thumbnails")).removeRecursively();
    ok = ok && openOnce(program, env, keyboard, unkept);
    QThread::msleep(1500);
    const long closedKb = rssKb(program.processId());
    program.terminate();
    if (!program.waitForFinished(5000))
        program.kill();
    if (!ok)
        return 1;

    for (const Series& s : {first, shortcut, command, unkept})
        report(s);
    std::printf("resident memory: idle %.1f MB, drawer open %.1f MB, after %d openings and closed "
                "%.1f MB (%+.1f MB over idle)\n",
                idleKb / 1024.0, openKb / 1024.0, 2 + 2 * runs, closedKb / 1024.0,
                (closedKb - idleKb) / 1024.0);
    return 0;
}
