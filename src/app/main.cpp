#include "app/AppDelegate.h"
#include "app/Arguments.h"
#include "app/CaptureActions.h"
#include "app/CommandLine.h"
#include "app/InstanceSocket.h"
#include "app/SingleInstance.h"
#include "capture/CaptureController.h"
#include "capture/Countdown.h"
#include "platform/Clipboard.h"
#include "platform/LargePages.h"
#include "platform/Session.h"
#include "recents/RecentDrawer.h"
#include "recents/TextIndexer.h"

#include <QApplication>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

// Past the launch's own work: reading text loads the language models.
constexpr int catchUpDelayMs = 2000;

void setNames() {
    QCoreApplication::setOrganizationName(QStringLiteral("Brindlecap"));
    QCoreApplication::setApplicationName(QStringLiteral("Brindlecap"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRINDLECAP_VERSION));
}

// Help, version, usage errors and commands for a running instance need no display, and a
// command should reach the running instance without the cost of a GUI start-up: all of that
// happens under a plain core application, which is gone before the GUI one is made. When this
// process is to be the program, `lock` is the single-instance lock, still held.
std::optional<int> runBeforeGui(int argc, char* argv[], CommandLine::Invocation& invocation,
                                int& lock) {
    QCoreApplication core(argc, argv);
    setNames();
    invocation = CommandLine::parse(QCoreApplication::arguments().mid(1));
    invocation.startOnly = !qEnvironmentVariableIsEmpty("BRINDLE_START_ONLY");
    // Not listening yet: a command must not wait on a socket nobody reads before the GUI runs.
    SingleInstance probe(SingleInstance::Listening::later);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const std::optional<int> status = CommandLine::prepare(invocation, probe, out, err);
    if (!status)
        lock = probe.releaseLock();
    return status;
}

// Platforms such as offscreen need no display.
bool startsWithoutDisplay() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    return !platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland");
}

void printTrace(const char* what) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::printf("%s %lld\n", what, now.tv_sec * 1000000LL + now.tv_nsec / 1000);
    std::fflush(stdout);
}

// BRINDLE_TRACE=1 prints when the overlays of a capture have painted, when the recents drawer
// has painted and filled its tiles, and when a capture's text is kept, for the benchmarks.
void traceOverlays() {
    if (qEnvironmentVariableIsEmpty("BRINDLE_TRACE"))
        return;
    CaptureController::shared().onOverlaysShown = [] { printTrace("overlays-shown"); };
    RecentDrawer& drawer = RecentDrawer::shared();
    QObject::connect(&drawer, &RecentDrawer::shown, [] { printTrace("drawer-shown"); });
    QObject::connect(&drawer, &RecentDrawer::thumbnailsLoaded, [] { printTrace("drawer-filled"); });
    QObject::connect(&TextIndexer::shared(), &TextIndexer::indexed,
                     [] { printTrace("text-indexed"); });
}

// `brindlecap full --output` and the like: the capture's result goes back on the client's
// connection in the socket's wire format.
void answerCaptureRequest(const SingleInstance::CaptureRequest& request,
                          const SingleInstance::Answer& answer) {
    using Result = CaptureController::CallerResult;
    CaptureController::ForCaller caller{
        request.screen, request.copy, [answer](const Result& result) {
            switch (result.kind) {
            case Result::image:
                answer(QByteArray::fromStdString(
                           InstanceSocket::pngHeader(size_t(result.png.size()))) +
                       result.png);
                return;
            case Result::cancelled:
                answer(QByteArray::fromStdString(InstanceSocket::cancelledLine()));
                return;
            case Result::failed:
                answer(QByteArray::fromStdString(
                    InstanceSocket::errorLine(result.error.toStdString())));
                return;
            }
        }};
    // As before every capture, so the drawer is never in the picture.
    RecentDrawer::shared().hide();
    if (request.command == AppCommand::area)
        CaptureController::shared().begin(std::move(caller));
    else
        CaptureController::shared().captureFullScreen(std::move(caller));
}

} // namespace

int main(int argc, char* argv[]) {
    CommandLine::Invocation invocation;
    int lock = -1;
    if (const std::optional<int> status = runBeforeGui(argc, argv, invocation, lock))
        return *status;
    // Qt would name its missing platform plugin and advise reinstalling the program.
    if (!Arguments::hasGraphicalSession() && !startsWithoutDisplay()) {
        std::fprintf(stderr, "brindlecap: %s\n", Arguments::noSessionMessage);
        return 1;
    }
    // Only the program itself holds screen-sized images; commands for it never get this far.
    LargePages::adviseMalloc(argv);
    // Qt would give each new window a fresh shared-memory segment, which gets no huge pages: for
    // a 4K overlay that is 8,000 page faults in both processes before its first frame, several
    // times what sending the pixels through the socket costs.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");

    QApplication app(argc, argv);
    setNames();
    QApplication::setQuitOnLastWindowClosed(false);

    // The probe above took the place; listen now. Another `brindlecap` started in between waits
    // for us.
    SingleInstance instance;
    instance.adoptLock(lock);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (const std::optional<int> status = CommandLine::prepare(invocation, instance, out, err))
        return *status;

    CaptureActions::setHandler(CaptureAction::area, [] { CaptureController::shared().begin(); });
    CaptureActions::setHandler(CaptureAction::fullScreen,
                               [] { CaptureController::shared().captureFullScreen(); });
    CaptureActions::setHandler(CaptureAction::recents, [] { RecentDrawer::shared().toggle(); });
    CaptureActions::setHideDrawer([] { RecentDrawer::shared().hide(); });
    CaptureActions::setCountdown([](qint64 seconds, std::function<void()> then) {
        Countdown::run(int(seconds), std::move(then));
    });
    traceOverlays();

    AppDelegate& shell = AppDelegate::shared();
    QObject::connect(&instance, &SingleInstance::commandReceived, &shell,
                     &AppDelegate::handleCommand);
    QObject::connect(&instance, &SingleInstance::captureRequested, &shell, answerCaptureRequest);
    shell.launch();
    CaptureController::shared().prepareBackends();
    Session::announce("portapapeles", Clipboard::backendName());
    QTimer::singleShot(0, &shell, [] { RecentDrawer::shared().prepare(); });
    // Entries filed while the program was not running, or whose text was lost.
    QTimer::singleShot(catchUpDelayMs, &shell, [] { TextIndexer::shared().catchUp(); });
    if (invocation.kind == CommandLine::Kind::command)
        shell.handleCommand(invocation.command);
    return app.exec();
}
