#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace purgix::test {

struct CliResult
{
    int exitCode = -1; // -1 when the process did not exit normally
    std::string out;
    std::string err;
};

struct CliLaunch
{
    std::filesystem::path program = {};       // the built purgix-cli when empty
    std::filesystem::path workingFolder = {}; // the test's own when empty
    std::filesystem::path input = {};         // standard input's file; the test's own when empty
};

// The purgix-cli in $PURGIX_BINARY_DIR; fails the calling test when that is not set.
std::filesystem::path builtCli();

// One purgix-cli process, started at construction. Its standard output and error go to
// files in `outputFolder`, which should lie apart from the files under test so that
// they do not count as leftovers.
class CliProcess
{
public:
    CliProcess(const std::vector<std::string>& arguments, const std::filesystem::path& outputFolder,
               const CliLaunch& launch = {});
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // Waits for the process to end and collects what it printed.
    CliResult wait();

private:
    pid_t m_pid = -1;
    std::filesystem::path m_outPath;
    std::filesystem::path m_errPath;
};

CliResult runCli(const std::vector<std::string>& arguments,
                 const std::filesystem::path& outputFolder, const CliLaunch& launch = {});

} // namespace purgix::test
