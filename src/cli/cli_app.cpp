#include "cli/cli_app.h"

#include "cli/command_line.h"
#include "cli/progress_line.h"
#include "cli/target_source.h"
#include "cli/usage_text.h"
#include "engine/delete_run.h"
#include "engine/stream_filter.h"
#include "platform/files/standard_streams.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>
#include <ostream>

namespace purgix::cli {

namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadUsage = 2;
constexpr std::string_view kPrefix = "purgix-cli: ";

int usageError(std::ostream& err, const std::string& reason)
{
    err << kPrefix << reason << "\nTry 'purgix-cli --help'.\n";
    return kExitBadUsage;
}

// Runs over the files of one command line, reporting as it goes.
class CliRun
{
public:
    CliRun(const CommandLine& commandLine, const Targets& slots, CliStreams& streams)
        : m_commandLine(commandLine), m_slots(slots), m_streams(streams), m_err(streams.err())
    {
    }

    int runFiles();
    int filterStandardInput();

private:
    int runFile(const std::string& path);
    engine::DeleteRunOutcome runDelete(const std::string& path, ByteOutput* deletedLines);
    int report(const std::string& path, const engine::DeleteRunOutcome& outcome);
    int fail(const std::string& message);
    std::unique_ptr<ByteOutput> openOutput(bool mayWriteInPlace);
    int finish(ByteOutput* output);

    const CommandLine& m_commandLine;
    const Targets& m_slots;
    CliStreams& m_streams;
    std::ostream& m_err;
    std::mutex m_errLock; // the waiting note and the progress line come from other threads
};

int CliRun::runFiles()
{
    int status = kExitDone;
    for (const std::string& path : m_commandLine.paths) {
        status = std::max(status, runFile(path));
    }
    return status;
}

int CliRun::runFile(const std::string& path)
{
    std::unique_ptr<ByteOutput> deletedLines;
    if (m_commandLine.printDeleted) {
        // Held until the file is changed, so that only lines really deleted are printed.
        deletedLines = openOutput(false);
        if (!deletedLines) {
            return kExitFailed;
        }
    }
    const engine::DeleteRunOutcome outcome = runDelete(path, deletedLines.get());
    const int finished = finish(deletedLines.get());
    return std::max(report(path, outcome), finished);
}

engine::DeleteRunOutcome CliRun::runDelete(const std::string& path, ByteOutput* deletedLines)
{
    engine::RunControl control;
    engine::DeleteRunOptions options;
    options.control = &control;
    options.noLimit = m_commandLine.noLimit;
    options.countOnly = m_commandLine.dryRun;
    options.deletedLines = deletedLines;
    options.backupSuffix = m_commandLine.dryRun ? "" : m_commandLine.backupSuffix.value_or("");
    options.lockWait.giveUpAfter = std::chrono::seconds(m_commandLine.waitSeconds);
    options.lockWait.waiting = [&] {
        const std::lock_guard guard(m_errLock);
        m_err << kPrefix << "waiting for another program that uses \"" << path << "\"\n"
              << std::flush;
    };
    std::optional<ProgressLine> progress;
    if (m_commandLine.progress && platform::standardErrorIsTerminal()) {
        progress.emplace(m_err, m_errLock, path, control);
    }
    return engine::runDelete(path, m_slots, options);
}

// Reports a run's outcome; with several files each line names its file.
int CliRun::report(const std::string& path, const engine::DeleteRunOutcome& outcome)
{
    if (!outcome.notice.empty()) {
        m_err << kPrefix << outcome.notice << '\n';
    }
    const bool namesFile = outcome.message.find('"' + path + '"') != std::string::npos;
    const bool several = m_commandLine.paths.size() > 1;
    const std::string text =
        several && !namesFile ? path + ": " + outcome.message : outcome.message;
    if (!outcome.succeeded) {
        return fail(text);
    }
    if (m_commandLine.writesBytesOut()) {
        m_err << kPrefix << text << '\n';
        return kExitDone;
    }
    std::ostream& out = m_streams.out();
    out << text << '\n' << std::flush;
    if (!out) {
        // The file was changed; a caller that reads the count must still learn it was lost.
        return fail("Cannot write the report \"" + text + "\" to standard output.");
    }
    return kExitDone;
}

int CliRun::fail(const std::string& message)
{
    m_err << kPrefix << message << '\n';
    return kExitFailed;
}

std::unique_ptr<ByteOutput> CliRun::openOutput(bool mayWriteInPlace)
{
    OutputOrFailure opened = m_streams.openOutput(mayWriteInPlace);
    if (auto* failure = std::get_if<platform::FileError>(&opened)) {
        fail(failure->message());
        return nullptr;
    }
    return std::move(std::get<std::unique_ptr<ByteOutput>>(opened));
}

int CliRun::finish(ByteOutput* output)
{
    if (output == nullptr) {
        return kExitDone;
    }
    const std::optional<platform::FileError> failure = output->finish();
    return failure ? fail(failure->message()) : kExitDone;
}

// Standard input to standard output; counting only, the deleted lines may go there instead.
int CliRun::filterStandardInput()
{
    InputOrFailure opened = m_streams.openInput();
    if (auto* failure = std::get_if<platform::FileError>(&opened)) {
        return fail(failure->message());
    }
    platform::ByteSource& input = *std::get<std::unique_ptr<platform::ByteSource>>(opened);
    std::unique_ptr<ByteOutput> output;
    if (m_commandLine.writesBytesOut()) {
        output = openOutput(true);
        if (!output) {
            return kExitFailed;
        }
    }
    engine::StreamFilterOptions options;
    options.noLimit = m_commandLine.noLimit;
    options.deletedLines = m_commandLine.printDeleted ? output.get() : nullptr;
    ByteOutput* kept = m_commandLine.dryRun ? nullptr : output.get();
    const engine::DeleteRunOutcome outcome = engine::filterStream(input, kept, m_slots, options);
    const int finished = finish(output.get());
    return std::max(report(std::string(kStandardStreams), outcome), finished);
}

int runCommandLine(const CommandLine& commandLine, CliStreams& streams)
{
    std::ostream& err = streams.err();
    const SlotsOrFailure slots = slotsFor(commandLine);
    if (!slots.warning.empty()) {
        err << kPrefix << slots.warning << '\n';
    }
    if (!slots.failure.empty()) {
        err << kPrefix << slots.failure << '\n';
        return kExitFailed;
    }
    if (!slots.usageError.empty()) {
        return usageError(err, slots.usageError);
    }
    if (!slots.note.empty()) {
        err << kPrefix << slots.note << '\n';
    }
    CliRun run(commandLine, slots.slots, streams);
    return commandLine.filtersStandardInput() ? run.filterStandardInput() : run.runFiles();
}

} // namespace

int runCli(std::span<const char* const> arguments, CliStreams& streams)
{
    const CommandLine commandLine = parseCommandLine(arguments);
    switch (commandLine.action) {
    case CommandLine::Action::ShowHelp:
        streams.out() << usageText();
        return kExitDone;
    case CommandLine::Action::ShowVersion:
        streams.out() << "purgix-cli " << PURGIX_VERSION << '\n';
        return kExitDone;
    case CommandLine::Action::Run:
        return runCommandLine(commandLine, streams);
    case CommandLine::Action::UsageError:
        break;
    }
    return usageError(streams.err(), commandLine.usageError);
}

} // namespace purgix::cli
