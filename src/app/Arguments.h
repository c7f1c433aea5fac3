#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The command line, read without Qt so that the small launcher and the program agree on it.
namespace Arguments {

enum class Kind { launch, command, help, version, usageError };

// What was wrong with a command line; `Parsed::culprit` names the argument.
enum class Problem {
    none,
    unknownCommand,
    unknownOption,
    missingValue,
    invalidValue,
    repeatedOption,
    optionNotForCommand, // e.g. --output after `recents`, --search after `area`
    optionNeedsOutput,   // --screen or --copy without --output
    extraArgument,
};

struct Parsed {
    Kind kind = Kind::launch;
    std::string command;               // for `command`: "area", "full", "recents", ...
    std::optional<std::string> output; // --output: a path, or "-" for standard output
    std::optional<std::string> screen; // --screen: an index from 0 or a monitor's name
    bool copy = false;                 // --copy: the clipboard gets the capture as well
    std::optional<std::string> search; // --search: with `recents`, the text to find
    Problem problem = Problem::none;
    std::string culprit;
};

// `arguments` are those after the program's name.
Parsed parse(const std::vector<std::string_view>& arguments);

// True when a display is named, so a program may open windows at all.
bool hasGraphicalSession();
inline constexpr const char* noSessionMessage =
    "no hay sesión gráfica (ni DISPLAY ni WAYLAND_DISPLAY están definidas).";

} // namespace Arguments
