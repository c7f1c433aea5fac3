#include "app/Arguments.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace Arguments {

namespace {

constexpr std::array<std::string_view, 5> commands{"area", "full", "recents", "settings", "quit"};

Parsed problem(Parsed parsed, Problem what, std::string_view culprit) {
    parsed.kind = Kind::usageError;
    parsed.problem = what;
    parsed.culprit = std::string(culprit);
    return parsed;
}

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

} // namespace

Parsed parse(const std::vector<std::string_view>& arguments) {
    Parsed parsed;
    if (arguments.empty())
        return parsed;
    const std::string_view first = arguments.front();
    if (first == "--help" || first == "-h")
        parsed.kind = Kind::help;
    else if (first == "--version")
        parsed.kind = Kind::version;
    else if (std::find(commands.begin(), commands.end(), first) != commands.end())
        parsed.kind = Kind::command;
    else
        return problem(parsed,
                       first.starts_with('-') ? Problem::unknownOption : Problem::unknownCommand,
                       first);
    if (parsed.kind != Kind::command) {
        if (arguments.size() > 1)
            return problem(parsed, Problem::extraArgument, arguments[1]);
        return parsed;
    }
    parsed.command = std::string(first);

    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const std::string_view name = argument.substr(0, argument.find('='));
        std::optional<std::string>* valued = name == "--output"   ? &parsed.output
                                             : name == "--screen" ? &parsed.screen
                                             : name == "--search" ? &parsed.search
                                                                  : nullptr;
        if (valued) {
            if (valued->has_value())
                return problem(parsed, Problem::repeatedOption, name);
            std::string_view value;
            if (name.size() < argument.size())
                value = argument.substr(name.size() + 1);
            else if (i + 1 < arguments.size() && !arguments[i + 1].starts_with("--"))
                value = arguments[++i];
            if (value.empty())
                return problem(parsed, Problem::missingValue, name);
            // The request to the program is one line of words.
            if (valued == &parsed.screen &&
                std::any_of(value.begin(), value.end(), [](char c) { return c <= ' '; }))
                return problem(parsed, Problem::invalidValue, value);
            *valued = std::string(value);
        } else if (argument == "--copy") {
            if (parsed.copy)
                return problem(parsed, Problem::repeatedOption, argument);
            parsed.copy = true;
        } else {
            return problem(
                parsed, argument.starts_with('-') ? Problem::unknownOption : Problem::extraArgument,
                argument);
        }
    }

    const bool captures = parsed.command == "area" || parsed.command == "full";
    if (parsed.output && !captures)
        return problem(parsed, Problem::optionNotForCommand, "--output");
    if (parsed.screen && parsed.command != "full")
        return problem(parsed, Problem::optionNotForCommand, "--screen");
    if (parsed.search && parsed.command != "recents")
        return problem(parsed, Problem::optionNotForCommand, "--search");
    if (parsed.copy && !captures)
        return problem(parsed, Problem::optionNotForCommand, "--copy");
    if (!parsed.output && (parsed.screen || parsed.copy))
        return problem(parsed, Problem::optionNeedsOutput, parsed.screen ? "--screen" : "--copy");
    return parsed;
}

bool hasGraphicalSession() {
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

} // namespace Arguments
