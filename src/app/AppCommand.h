#pragma once

#include <QString>

#include <optional>

// What one `brindlecap` invocation asks of the program. `reopen` is the bare `brindlecap` run
// again while the program runs: an area capture after the menu's short delay.
enum class AppCommand { reopen, area, fullScreen, recents, settings, quit };

namespace AppCommands {

// The word used on the command line and on the single-instance socket; these never change,
// since desktop key bindings and older clients depend on them.
QString name(AppCommand command);
std::optional<AppCommand> fromName(QStringView name);

} // namespace AppCommands
