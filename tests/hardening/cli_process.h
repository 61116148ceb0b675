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

// One purgix-cli process from $PURGIX_BINARY_DIR, started at construction. Its standard
// output and error go to files in `outputFolder`, which should lie apart from the files
// under test so that they do not count as leftovers.
class CliProcess
{
public:
    // Runs in `workingFolder` when one is given.
    CliProcess(const std::vector<std::string>& arguments, const std::filesystem::path& outputFolder,
               const std::filesystem::path& workingFolder = {});
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    bool started() const { return m_pid > 0; }
    // Waits for the process to end and collects what it printed.
    CliResult wait();

private:
    pid_t m_pid = -1;
    std::filesystem::path m_outPath;
    std::filesystem::path m_errPath;
};

CliResult runCli(const std::vector<std::string>& arguments,
                 const std::filesystem::path& outputFolder,
                 const std::filesystem::path& workingFolder = {});

} // namespace purgix::test
