#include "support/cli_process.h"

#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace purgix::test {

namespace fs = std::filesystem;

namespace {

fs::path nextOutputPath(const fs::path& folder, const char* suffix)
{
    static std::atomic<int> counter{0};
    fs::create_directories(folder);
    return folder / ("cli-" + std::to_string(counter++) + suffix);
}

} // namespace

fs::path builtCli()
{
    const char* binaryDir = std::getenv("PURGIX_BINARY_DIR");
    EXPECT_NE(binaryDir, nullptr) << "PURGIX_BINARY_DIR is not set";
    return fs::path(binaryDir != nullptr ? binaryDir : ".") / "purgix-cli";
}

CliProcess::CliProcess(const std::vector<std::string>& arguments, const fs::path& outputFolder,
                       const CliLaunch& launch)
    : m_outPath(nextOutputPath(outputFolder, ".out")),
      m_errPath(nextOutputPath(outputFolder, ".err"))
{
    const fs::path program = launch.program.empty() ? builtCli() : launch.program;
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, m_outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    if (!launch.input.empty()) {
        posix_spawn_file_actions_addopen(&actions, 0, launch.input.c_str(), O_RDONLY, 0);
    }
    if (!launch.workingFolder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, launch.workingFolder.c_str());
    }
    const int error = posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        m_pid = -1;
        ADD_FAILURE() << "cannot start " << program << ": " << std::strerror(error);
    }
}

CliResult CliProcess::wait()
{
    CliResult result;
    if (m_pid <= 0) {
        return result;
    }
    int status = 0;
    if (::waitpid(m_pid, &status, 0) == m_pid && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    m_pid = -1;
    result.out = readFile(m_outPath);
    result.err = readFile(m_errPath);
    return result;
}

CliResult runCli(const std::vector<std::string>& arguments, const fs::path& outputFolder,
                 const CliLaunch& launch)
{
    return CliProcess(arguments, outputFolder, launch).wait();
}

} // namespace purgix::test
