#include "cli_process.h"

#include "test_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace purgix::test {

namespace {

std::string cliBinary()
{
    const char* folder = std::getenv("PURGIX_BINARY_DIR");
    return std::string(folder != nullptr ? folder : ".") + "/purgix-cli";
}

std::filesystem::path nextOutputPath(const std::filesystem::path& folder, const char* suffix)
{
    static std::atomic<int> counter{0};
    std::filesystem::create_directories(folder);
    return folder / ("cli-" + std::to_string(counter++) + suffix);
}

} // namespace

CliProcess::CliProcess(const std::vector<std::string>& arguments,
                       const std::filesystem::path& outputFolder,
                       const std::filesystem::path& workingFolder)
    : m_outPath(nextOutputPath(outputFolder, ".out")),
      m_errPath(nextOutputPath(outputFolder, ".err"))
{
    const std::string binary = cliBinary();
    std::vector<char*> argv{const_cast<char*>(binary.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, m_outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    if (!workingFolder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    }
    const int error = posix_spawn(&m_pid, binary.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        m_pid = -1;
        ADD_FAILURE() << "cannot start " << binary << ": " << std::strerror(error);
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

CliResult runCli(const std::vector<std::string>& arguments,
                 const std::filesystem::path& outputFolder,
                 const std::filesystem::path& workingFolder)
{
    return CliProcess(arguments, outputFolder, workingFolder).wait();
}

} // namespace purgix::test
