// purgix-cli.exe in a process of its own, with its standard handles on files and pipes,
// as a script or a console would start it.
#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

namespace purgix::test {
namespace {

namespace fs = std::filesystem;

struct ExeResult
{
    DWORD exitCode = 0xffffffff;
    std::string out;
    std::string err;
};

HANDLE inheritable(const fs::path& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, TRUE};
    return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &security,
                         disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Runs purgix-cli.exe with `arguments`; standard input is `input` through a pipe, standard
// output and error go to files.
ExeResult runExe(const TestFolder& folder, const std::wstring& arguments,
                 const std::string& input = {})
{
    const char* binaryDir = std::getenv("PURGIX_BINARY_DIR");
    EXPECT_NE(binaryDir, nullptr);
    const fs::path program = fs::path(binaryDir != nullptr ? binaryDir : ".") / "purgix-cli.exe";
    SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, TRUE};
    HANDLE pipeRead = nullptr;
    HANDLE pipeWrite = nullptr;
    ::CreatePipe(&pipeRead, &pipeWrite, &security, 0);
    ::SetHandleInformation(pipeWrite, HANDLE_FLAG_INHERIT, 0);
    const fs::path outPath = folder.file("exe.out");
    const fs::path errPath = folder.file("exe.err");
    HANDLE out = inheritable(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = inheritable(errPath, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = pipeRead;
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::wstring commandLine = L"\"" + program.wstring() + L"\" " + arguments;
    PROCESS_INFORMATION process = {};
    ExeResult result;
    if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                         &startup, &process) != 0) {
        ::CloseHandle(pipeRead);
        DWORD written = 0;
        ::WriteFile(pipeWrite, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
        ::CloseHandle(pipeWrite);
        ::WaitForSingleObject(process.hProcess, 60000);
        ::GetExitCodeProcess(process.hProcess, &result.exitCode);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    } else {
        ADD_FAILURE() << "cannot start " << program << ": " << ::GetLastError();
        ::CloseHandle(pipeRead);
        ::CloseHandle(pipeWrite);
    }
    ::CloseHandle(out);
    ::CloseHandle(err);
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    return result;
}

TEST(CliExe, HelpUsageErrorsAndAPipeFilteredByteForByte)
{
    TestFolder folder;

    const ExeResult help = runExe(folder, L"/?");
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_NE(help.out.find("%APPDATA%\\Purgix"), std::string::npos) << help.out;

    const ExeResult usage = runExe(folder, L"--bogus x");
    EXPECT_EQ(usage.exitCode, 2u);
    EXPECT_EQ(usage.err, "purgix-cli: unknown option --bogus\r\nTry 'purgix-cli --help'.\r\n");

    // CR LF pairs, a lone LF and Ctrl+Z pass as bytes; the count goes to standard error.
    const std::string input = "keep\r\nads\x1a\r\nlone\nlast ads";
    const ExeResult filtered = runExe(folder, L"-e ads -", input);
    EXPECT_EQ(filtered.exitCode, 0u) << filtered.err;
    EXPECT_EQ(filtered.out, "keep\r\nlone\r\n");
    EXPECT_EQ(filtered.err, "purgix-cli: 2 lines deleted.\r\n");
}

TEST(CliExe, SeveralFilesWithADryRunAndABackup)
{
    TestFolder folder;
    const std::string first = folder.write("first.txt", "a\r\nx\r\n");
    const std::string second = folder.write("second.txt", "x\r\nx\r\nb\r\n");
    const std::wstring files =
        L" \"" + fs::path(first).wstring() + L"\" \"" + fs::path(second).wstring() + L"\"";

    const ExeResult counted = runExe(folder, L"-n -e x" + files);
    EXPECT_EQ(counted.exitCode, 0u) << counted.err;
    EXPECT_EQ(counted.out, first + ": 1 lines would be deleted.\r\n" + second +
                               ": 2 lines would be deleted.\r\n");
    EXPECT_EQ(readFile(first), "a\r\nx\r\n");

    const ExeResult run = runExe(folder, L"--backup=.old -e x" + files);
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(readFile(first), "a\r\n");
    EXPECT_EQ(readFile(second), "b\r\n");
    EXPECT_EQ(readFile(first + ".old"), "a\r\nx\r\n");
    EXPECT_EQ(readFile(second + ".old"), "x\r\nx\r\nb\r\n");
}

} // namespace
} // namespace purgix::test
