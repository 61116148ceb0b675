#include "cli/command_line.h"

#include <charconv>
#include <optional>
#include <string_view>
#include <utility>

namespace purgix::cli {

namespace {

using Action = CommandLine::Action;

CommandLine usageError(std::string reason)
{
    CommandLine commandLine;
    commandLine.usageError = std::move(reason);
    return commandLine;
}

CommandLine withAction(Action action)
{
    CommandLine commandLine;
    commandLine.action = action;
    return commandLine;
}

// Takes PATH and the targets from the positional arguments.
CommandLine withOperands(CommandLine commandLine, std::span<const char* const> operands)
{
    if (operands.empty()) {
        return usageError("no file given");
    }
    if (operands.size() - 1 > std::size_t{kTargetCount}) {
        return usageError("at most ten targets can be given");
    }
    commandLine.action = Action::Run;
    commandLine.path = operands.front();
    commandLine.targets.assign(operands.begin() + 1, operands.end());
    return commandLine;
}

// A whole number of seconds, at most a day.
std::optional<unsigned> secondsIn(std::string_view text)
{
    constexpr unsigned kMaxSeconds = 86400;
    unsigned seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || seconds > kMaxSeconds) {
        return std::nullopt;
    }
    return seconds;
}

} // namespace

CommandLine parseCommandLine(std::span<const char* const> arguments)
{
    constexpr std::string_view settingsPrefix = "--settings=";
    constexpr std::string_view waitPrefix = "--wait=";
    CommandLine commandLine;
    std::size_t index = 0;
    for (; index < arguments.size(); ++index) {
        const std::string_view argument = arguments[index];
        if (argument == "--") {
            ++index;
            break;
        }
        // A lone "-" is a file name like any other: there is no standard input to filter.
        if (argument.size() < 2 || argument.front() != '-') {
            break;
        }
        if (argument == "--help" || argument == "-h") {
            return withAction(Action::ShowHelp);
        }
        if (argument == "--version") {
            return withAction(Action::ShowVersion);
        }
        if (argument == "--progress") {
            commandLine.progress = true;
            continue;
        }
        if (argument == "--settings") {
            if (++index == arguments.size()) {
                return usageError("--settings needs a file");
            }
            commandLine.settingsFile = arguments[index];
        } else if (argument.starts_with(settingsPrefix)) {
            commandLine.settingsFile = std::string(argument.substr(settingsPrefix.size()));
        } else if (argument == "--wait" || argument.starts_with(waitPrefix)) {
            const bool joined = argument.starts_with(waitPrefix);
            if (!joined && ++index == arguments.size()) {
                return usageError("--wait needs a number of seconds");
            }
            const std::optional<unsigned> seconds =
                secondsIn(joined ? argument.substr(waitPrefix.size()) : arguments[index]);
            if (!seconds) {
                return usageError("--wait needs a number of seconds, at most 86400");
            }
            commandLine.waitSeconds = *seconds;
        } else {
            return usageError("unknown option " + std::string(argument));
        }
    }
    return withOperands(std::move(commandLine), arguments.subspan(index));
}

std::string usageText()
{
    return "Usage: purgix-cli [--settings FILE] [--wait SECONDS] [--progress] [--] PATH\n"
           "                  [TARGET ...]\n"
           "Removes from the file PATH, in place, every line that contains any TARGET.\n"
           "\n"
           "Up to ten targets, in slot order; an empty argument is an empty slot. Every\n"
           "argument after PATH is a target, even one that starts with '-'. With no target,\n"
           "the saved targets are used: those of FILE, or else the window's purgix.ini\n"
           "(beside the program, or in ~/.config/purgix for an installed copy).\n"
           "\n"
           "  --settings FILE  read the saved targets from FILE\n"
           "  --wait SECONDS   wait so long for another program that keeps PATH locked\n"
           "                   (30 by default; after 3 s a note says so)\n"
           "  --progress       show how much of PATH has been read, when standard error\n"
           "                   is a terminal\n"
           "  --help           show this help and exit\n"
           "  --version        show the version and exit\n"
           "\n"
           "Lines: when lone LFs (no CR before them) outnumber CR LF pairs and lone CRs\n"
           "together, every LF ends a line and a CR is part of its line: kept lines stay\n"
           "exactly as they were. In any other file a line ends at CR LF, CR or LF, and\n"
           "kept lines are written back ending in CR LF. A file without any line end is\n"
           "one line. A run that would change nothing leaves the file as it is.\n"
           "For example, deleting b:\n"
           "  LF file     a LF b LF c CR LF       gives  a LF c CR LF\n"
           "  CR LF file  a CR LF b CR LF c LF    gives  a CR LF c CR LF\n"
           "  mixed file  a CR b LF c CR LF       gives  a CR LF c CR LF\n"
           "\n"
           "One run deletes at most 32,767 lines. A run that would delete more reports\n"
           "\"Overflow\", and the targets before the one that overflowed stay applied: with\n"
           "targets a (in 30,000 lines) and b (in 5,000 other lines), the a lines are\n"
           "deleted, the b lines stay.\n"
           "\n"
           "Prints \"N lines deleted.\" and exits 0; a failure is reported on standard\n"
           "error with exit status 1, a usage error with exit status 2.\n";
}

} // namespace purgix::cli
