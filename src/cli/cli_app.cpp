#include "cli/cli_app.h"

#include "cli/command_line.h"
#include "cli/progress_line.h"
#include "cli/target_source.h"
#include "engine/delete_run.h"
#include "platform/files/standard_streams.h"

#include <chrono>
#include <mutex>
#include <optional>
#include <ostream>

namespace purgix::cli {

namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadUsage = 2;

int runDeletion(const CommandLine& commandLine, std::ostream& out, std::ostream& err)
{
    const SlotsOrFailure slots = slotsFor(commandLine);
    if (!slots.failure.empty()) {
        err << slots.failure << '\n';
        return kExitFailed;
    }
    if (!slots.warning.empty()) {
        err << slots.warning << '\n';
    }
    std::mutex errLock;
    engine::RunControl control;
    engine::DeleteRunOptions options;
    options.control = &control;
    options.lockWait.giveUpAfter = std::chrono::seconds(commandLine.waitSeconds);
    options.lockWait.waiting = [&] {
        const std::lock_guard guard(errLock);
        err << "purgix-cli: waiting for another program that uses \"" << commandLine.path << "\"\n"
            << std::flush;
    };
    std::optional<ProgressLine> progress;
    if (commandLine.progress && platform::standardErrorIsTerminal()) {
        progress.emplace(err, errLock, commandLine.path, control);
    }
    const engine::DeleteRunOutcome outcome =
        engine::runDelete(commandLine.path, slots.slots, options);
    progress.reset();
    if (!outcome.notice.empty()) {
        err << "purgix-cli: " << outcome.notice << '\n';
    }
    if (!outcome.succeeded) {
        err << outcome.message << '\n';
        return kExitFailed;
    }
    out << outcome.message << '\n' << std::flush;
    if (!out) {
        // The file was changed; a caller that reads the count must still learn it was lost.
        err << "Cannot write the report \"" << outcome.message << "\" to standard output.\n";
        return kExitFailed;
    }
    return kExitDone;
}

} // namespace

int runCli(std::span<const char* const> arguments, std::ostream& out, std::ostream& err)
{
    const CommandLine commandLine = parseCommandLine(arguments);
    switch (commandLine.action) {
    case CommandLine::Action::ShowHelp:
        out << usageText();
        return kExitDone;
    case CommandLine::Action::ShowVersion:
        out << "purgix-cli " << PURGIX_VERSION << '\n';
        return kExitDone;
    case CommandLine::Action::Run:
        return runDeletion(commandLine, out, err);
    case CommandLine::Action::UsageError:
        break;
    }
    err << "purgix-cli: " << commandLine.usageError << '\n' << usageText();
    return kExitBadUsage;
}

} // namespace purgix::cli
