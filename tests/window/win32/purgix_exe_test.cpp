#include "support/test_folder.h"
#include "window/model/layout_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

namespace purgix::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kFirstControlId = 100;

// purgix.exe run as a user would run it, from a copy in a test folder so that its
// purgix.ini lands there. The process is in a job that ends it with the job's handle:
// whatever happens to the test, no window outlives it to hold ctest's output open.
class PurgixProcess
{
public:
    explicit PurgixProcess(const fs::path& program)
    {
        m_job = ::CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        ::SetInformationJobObject(m_job, JobObjectExtendedLimitInformation, &limits,
                                  sizeof(limits));
        std::wstring commandLine = L"\"" + program.wstring() + L"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                             nullptr, nullptr, &startup, &m_process) == 0) {
            ADD_FAILURE() << "cannot start " << program << ": " << ::GetLastError();
            return;
        }
        ::AssignProcessToJobObject(m_job, m_process.hProcess);
        ::ResumeThread(m_process.hThread);
    }

    ~PurgixProcess()
    {
        if (m_process.hProcess != nullptr) {
            ::TerminateProcess(m_process.hProcess, 1);
            ::CloseHandle(m_process.hThread);
            ::CloseHandle(m_process.hProcess);
        }
        ::CloseHandle(m_job);
    }

    PurgixProcess(const PurgixProcess&) = delete;
    PurgixProcess& operator=(const PurgixProcess&) = delete;

    // The first visible top-level window of this process with the class, waiting for it.
    HWND waitForWindow(const wchar_t* className) const
    {
        for (auto waited = 0ms; waited < 20s; waited += 50ms) {
            Search search{m_process.dwProcessId, className, nullptr};
            ::EnumWindows(&matchWindow, reinterpret_cast<LPARAM>(&search));
            if (search.found != nullptr) {
                return search.found;
            }
            std::this_thread::sleep_for(50ms);
        }
        ADD_FAILURE() << "no window appeared";
        return nullptr;
    }

    bool waitForExit() const
    {
        return ::WaitForSingleObject(m_process.hProcess, 20000) == WAIT_OBJECT_0;
    }

private:
    struct Search
    {
        DWORD processId;
        const wchar_t* className;
        HWND found;
    };

    static BOOL CALLBACK matchWindow(HWND window, LPARAM parameter)
    {
        auto* search = reinterpret_cast<Search*>(parameter);
        DWORD processId = 0;
        ::GetWindowThreadProcessId(window, &processId);
        wchar_t name[64] = {};
        ::GetClassNameW(window, name, 64);
        if (processId == search->processId && ::IsWindowVisible(window) &&
            std::wstring(name) == search->className) {
            search->found = window;
            return FALSE;
        }
        return TRUE;
    }

    HANDLE m_job = nullptr;
    PROCESS_INFORMATION m_process = {};
};

// The control ID of a layout row: controls are numbered in tab order.
int controlId(window::Control control, int index = window::kNoIndex)
{
    std::vector<window::LayoutRow> rows(window::layoutTable().begin(), window::layoutTable().end());
    std::ranges::sort(rows, {}, &window::LayoutRow::tabIndex);
    const auto row = std::ranges::find_if(rows, [&](const window::LayoutRow& candidate) {
        return candidate.control == control &&
               (index == window::kNoIndex || candidate.index == index);
    });
    return kFirstControlId + static_cast<int>(row - rows.begin());
}

// WM_GETTEXT, since GetWindowTextW does not ask the controls of another process.
std::wstring windowText(HWND window)
{
    wchar_t text[256] = {};
    ::SendMessageW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return text;
}

// Reads the message box that the window shows, answers it and waits until it is gone.
std::wstring answerBox(const PurgixProcess& process, int answer)
{
    const HWND box = process.waitForWindow(L"#32770");
    const std::wstring text = windowText(::GetDlgItem(box, 0xFFFF));
    EXPECT_EQ(windowText(box), L"Purgix");
    ::PostMessageW(box, WM_COMMAND, answer, 0);
    for (auto waited = 0ms; ::IsWindow(box) && waited < 20s; waited += 50ms) {
        std::this_thread::sleep_for(50ms);
    }
    return text;
}

TEST(PurgixExe, RunsFromItsFolderAndAsksToSaveTheChangedTargets)
{
    TestFolder folder;
    const fs::path program = folder.file("purgix.exe");
    fs::copy_file(fs::path(std::getenv("PURGIX_BINARY_DIR")) / "purgix.exe", program);
    const std::string hosts = folder.write("test.txt", "a\r\n127.0.0.1 x\r\nb\r\n");
    PurgixProcess process(program);
    const HWND window = process.waitForWindow(L"PurgixWindow");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(windowText(::GetDlgItem(window, controlId(window::Control::TxtFile))),
              program.parent_path().wstring() + L"\\test.txt");

    ::SendMessageW(::GetDlgItem(window, controlId(window::Control::TxtTarget, 0)), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(L"127.0.0.1"));
    ::PostMessageW(::GetDlgItem(window, controlId(window::Control::CmdPurgix)), BM_CLICK, 0, 0);
    EXPECT_EQ(answerBox(process, IDOK), L"1 lines deleted.");
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(answerBox(process, IDYES), L"Save changed search strings?");

    EXPECT_TRUE(process.waitForExit());
    EXPECT_EQ(readFile(hosts), "a\r\nb\r\n");
    EXPECT_EQ(readFile(folder.file("purgix.ini")),
              "127.0.0.1\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
}

} // namespace
} // namespace purgix::test
