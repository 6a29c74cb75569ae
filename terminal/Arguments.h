// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

// What tavro-terminal is asked on its command line, read before the application exists so that
// the answers and refusals need no display: the help, the version, the ports, or a window,
// optionally opened on a device given by its path.
struct Arguments
{
    static constexpr int kRefused = 2; // the exit status of a command line that is refused

    enum class Action { Window, Help, Version, List, Refuse };
    Action action = Action::Window;
    std::optional<std::string> device; // the one argument that is no option
    std::string refusal;               // what was wrong, for a refused command line

    static Arguments read(const std::vector<std::string> &arguments); // without the program's name
    static const char *usage();
};
