#include "cli/command_line.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>
#include <utility>

namespace purgix::cli {

namespace {

using Action = CommandLine::Action;

constexpr std::string_view kDefaultBackupSuffix = ".bak";

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

bool isHelpRequest(std::string_view argument)
{
#ifdef _WIN32
    if (argument == "/?") {
        return true;
    }
#endif
    return argument == "--help" || argument == "-h";
}

// Reads the arguments one by one into a CommandLine; the first refusal ends it.
class Parser
{
public:
    explicit Parser(std::span<const char* const> arguments) : m_arguments(arguments) {}

    CommandLine parse();

private:
    void takeLongOption(std::string_view option);
    void takeShortOptions(std::string_view options);
    // The value of an option: `joined` when given in the same argument, else the next one.
    std::optional<std::string> valueOf(std::string_view name,
                                       std::optional<std::string_view> joined);
    bool takeValue(std::string_view name, std::optional<std::string_view> joined);
    void refuse(std::string reason);
    void takeOperands();
    void checkCombinations();

    std::span<const char* const> m_arguments;
    std::size_t m_index = 0;
    CommandLine m_result;
    std::vector<std::string> m_operands;
    bool m_stopped = false; // help, version or a refusal decided the outcome
};

CommandLine Parser::parse()
{
    m_result.action = Action::Run;
    bool optionsEnded = false;
    for (; m_index < m_arguments.size() && !m_stopped; ++m_index) {
        const std::string_view argument = m_arguments[m_index];
        if (!optionsEnded && isHelpRequest(argument)) {
            m_result.action = Action::ShowHelp;
            return m_result;
        }
        if (optionsEnded || argument.size() < 2 || argument.front() != '-') {
            m_operands.emplace_back(argument);
            // Without -e or -f, every argument after the file is a target.
            optionsEnded = optionsEnded || m_result.targets.empty();
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument.starts_with("--")) {
            takeLongOption(argument.substr(2));
        } else {
            takeShortOptions(argument.substr(1));
        }
    }
    if (!m_stopped) {
        takeOperands();
    }
    if (!m_stopped) {
        checkCombinations();
    }
    return m_result;
}

void Parser::takeLongOption(std::string_view option)
{
    const std::size_t equals = option.find('=');
    const std::string_view name = option.substr(0, equals);
    const std::optional<std::string_view> joined =
        equals == std::string_view::npos ? std::nullopt : std::optional(option.substr(equals + 1));
    const auto flag = [&](bool& field) {
        if (joined) {
            refuse("--" + std::string(name) + " takes no value");
        }
        field = true;
    };
    if (name == "version" && !joined) {
        m_result.action = Action::ShowVersion;
        m_stopped = true;
    } else if (name == "progress") {
        flag(m_result.progress);
    } else if (name == "dry-run") {
        flag(m_result.dryRun);
    } else if (name == "print-deleted") {
        flag(m_result.printDeleted);
    } else if (name == "no-limit") {
        flag(m_result.noLimit);
    } else if (name == "backup") {
        m_result.backupSuffix = joined.value_or(kDefaultBackupSuffix);
    } else if (name == "settings") {
        if (std::optional<std::string> file = valueOf("--settings", joined)) {
            m_result.settingsFile = std::move(file);
        }
    } else if (name == "target" || name == "targets-from") {
        takeValue("--" + std::string(name), joined);
    } else if (name == "wait") {
        if (const std::optional<std::string> text = valueOf("--wait", joined)) {
            const std::optional<unsigned> seconds = secondsIn(*text);
            if (!seconds) {
                return refuse("--wait needs a number of seconds, at most 86400");
            }
            m_result.waitSeconds = *seconds;
        }
    } else {
        refuse("unknown option --" + std::string(name));
    }
}

void Parser::takeShortOptions(std::string_view options)
{
    for (std::size_t at = 0; at < options.size() && !m_stopped; ++at) {
        const char letter = options[at];
        const std::string_view rest = options.substr(at + 1);
        switch (letter) {
        case 'n':
            m_result.dryRun = true;
            break;
        case 'b':
            m_result.backupSuffix = rest.empty() ? kDefaultBackupSuffix : rest;
            return;
        case 'e':
        case 'f':
            takeValue(std::string("-") + letter, rest.empty() ? std::nullopt : std::optional(rest));
            return;
        default:
            return refuse("unknown option -" + std::string(1, letter));
        }
    }
}

std::optional<std::string> Parser::valueOf(std::string_view name,
                                           std::optional<std::string_view> joined)
{
    if (joined) {
        return std::string(*joined);
    }
    if (m_index + 1 == m_arguments.size()) {
        const bool isTarget = name == "-e" || name == "--target";
        const bool isWait = name == "--wait";
        refuse(std::string(name) + (isTarget ? " needs a target"
                                    : isWait ? " needs a number of seconds"
                                             : " needs a file"));
        return std::nullopt;
    }
    return std::string(m_arguments[++m_index]);
}

// Takes the value of -e/--target or -f/--targets-from as the next target source.
bool Parser::takeValue(std::string_view name, std::optional<std::string_view> joined)
{
    std::optional<std::string> value = valueOf(name, joined);
    if (!value) {
        return false;
    }
    const bool list = name == "-f" || name == "--targets-from";
    m_result.targets.push_back(
        {list ? TargetSource::Kind::List : TargetSource::Kind::Text, std::move(*value)});
    return true;
}

void Parser::refuse(std::string reason)
{
    m_result = {};
    m_result.usageError = std::move(reason);
    m_stopped = true;
}

void Parser::takeOperands()
{
    if (m_operands.empty()) {
        return refuse("no file given");
    }
    if (!m_result.targets.empty()) {
        m_result.paths = std::move(m_operands);
    } else {
        m_result.paths.push_back(m_operands.front());
        for (auto target = m_operands.begin() + 1; target != m_operands.end(); ++target) {
            m_result.targets.push_back({TargetSource::Kind::Text, std::move(*target)});
        }
    }
    if (m_result.targets.size() > std::size_t{kTargetCount}) {
        refuse("at most ten targets can be given");
    }
}

void Parser::checkCombinations()
{
    const std::vector<std::string>& paths = m_result.paths;
    const bool namesInput = std::find(paths.begin(), paths.end(), kStandardStreams) != paths.end();
    if (namesInput && paths.size() > 1) {
        return refuse("standard input (-) cannot be filtered together with files");
    }
    if (m_result.backupSuffix && m_result.backupSuffix->empty()) {
        return refuse("--backup needs a suffix that is not empty");
    }
    if (namesInput && m_result.backupSuffix) {
        return refuse("--backup needs a file: standard input (-) has nothing to keep");
    }
    if (namesInput && m_result.printDeleted && !m_result.dryRun) {
        return refuse("--print-deleted with standard input (-) needs --dry-run: the kept lines "
                      "go to standard output");
    }
}

} // namespace

CommandLine parseCommandLine(std::span<const char* const> arguments)
{
    return Parser(arguments).parse();
}

} // namespace purgix::cli
