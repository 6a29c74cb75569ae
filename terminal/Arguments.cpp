// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/Arguments.h"

namespace {
const char kUsage[] = "Usage: tavro-terminal [options] [device]\n"
                      "Tavro Terminal, a serial-port terminal with an in-circuit chip programmer. Everything\n"
                      "else is set in CommPort > Properties and kept for the next start; tavro-prog programs\n"
                      "the chip from a script.\n"
                      "\n"
                      "A device (such as /dev/ttyUSB0 or /dev/serial/by-id/...) stands, for this run, behind the\n"
                      "port the terminal last used, which opens with its settings at start-up.\n"
                      "\n"
                      "Options:\n"
                      "  -h, --help     show this help and exit\n"
                      "  -v, --version  show the version and exit\n"
                      "  --list         list Com1-Com16 with the device behind each, what it is and where\n"
                      "                 the number came from, and exit\n";
} // namespace

const char *Arguments::usage()
{
    return kUsage;
}

Arguments Arguments::read(const std::vector<std::string> &arguments)
{
    Arguments read;
    bool optionsEnd = false;
    for (const std::string &argument : arguments) {
        if (!optionsEnd && (argument == "--help" || argument == "-h"))
            return {Action::Help, std::nullopt, {}};
        if (!optionsEnd && (argument == "--version" || argument == "-v"))
            return {Action::Version, std::nullopt, {}};
        if (!optionsEnd && argument == "--list")
            return {Action::List, std::nullopt, {}};
        if (!optionsEnd && argument == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && argument.size() > 1 && argument[0] == '-') {
            read.action = Action::Refuse;
            read.refusal = "unknown option '" + argument + "'";
        } else if (read.device) {
            read.action = Action::Refuse;
            read.refusal = "one device at most, not also '" + argument + "'";
        } else {
            read.device = argument;
        }
    }
    return read;
}
