#pragma once

#include "app/AppCommand.h"
#include "app/Arguments.h"

#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;
class SingleInstance;

namespace CommandLine {

// What the arguments ask for. `launch` is a bare `brindlecap`: start the program, or ask the
// running one for an area capture (`AppCommand::reopen`).
using Kind = Arguments::Kind;

struct Invocation {
    Kind kind = Kind::launch;
    AppCommand command = AppCommand::reopen; // for launch and command
    QString problem;                         // for usageError: what was wrong, in Spanish
    bool toCaller = false;                   // --output: only the launcher serves it
    std::optional<QString> search;           // recents --search: printed here, nothing shown
    // Set by whoever starts the program only to talk to it: when one runs already, do nothing.
    bool startOnly = false;
};

// `arguments` are those after the program name (Qt's own options already taken out).
Invocation parse(const QStringList& arguments);

QString usage();
QString version();

// Does what the invocation asks before any event loop: prints help, version or a usage error,
// or hands the command to the running instance. Returns the exit status when this process is
// done, or nothing when it is to run as the program (then `instance` listens). A running instance
// that does not answer, or no private socket place, is reported on `err` with status 1.
// `quit` with nothing running is done. `recents --search` prints the matching history entries,
// newest first, status 1 when none match.
std::optional<int> prepare(const Invocation& invocation, SingleInstance& instance, QTextStream& out,
                           QTextStream& err);

} // namespace CommandLine
