#include "app/AppCommand.h"

#include <array>
#include <utility>

namespace AppCommands {

namespace {

constexpr std::array<std::pair<AppCommand, const char*>, 6> names{{
    {AppCommand::reopen, "reopen"},
    {AppCommand::area, "area"},
    {AppCommand::fullScreen, "full"},
    {AppCommand::recents, "recents"},
    {AppCommand::settings, "settings"},
    {AppCommand::quit, "quit"},
}};

} // namespace

QString name(AppCommand command) {
    for (const auto& [value, word] : names) {
        if (value == command) {
            return QString::fromLatin1(word);
        }
    }
    return {};
}

std::optional<AppCommand> fromName(QStringView name) {
    for (const auto& [value, word] : names) {
        if (name == QLatin1String(word)) {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace AppCommands
