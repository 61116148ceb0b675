#include "support/system_environment.h"
#include "support/test_folder.h"
#include "window/model/fake_window_desktop.h"
#include "window/model/layout_table.h"
#include "window/win32/win32_main_window.h"
#include "window/win32/win32_window_desktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

namespace purgix::test {
namespace {

using window::Control;

// A real Win32 window over a fresh program folder, driven by window messages as a user's
// clicks and keys would drive it; the desktop services are fakes.
class Win32WindowTest : public testing::Test
{
protected:
    Win32WindowTest()
    {
        m_window.load(m_folder.file("test.txt").string());
        m_window.native().show();
        m_window.native().processMessages();
    }

    HWND control(Control control, int index = window::kNoIndex)
    {
        return static_cast<HWND>(m_window.native().controlHandle(m_window.control(control, index)));
    }
    void click(Control which, int index = window::kNoIndex)
    {
        ::SendMessageW(control(which, index), BM_CLICK, 0, 0);
        m_window.native().processMessages();
    }
    void type(Control which, int index, const std::wstring& text)
    {
        ::SendMessageW(control(which, index), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(text.c_str()));
    }
    // Presses and releases Esc in a control, through the window's message loop.
    void pressEscape(HWND target)
    {
        ::PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0);
        ::PostMessageW(target, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        m_window.native().processMessages();
    }

    TestFolder m_folder;
    FakeDesktop m_desktop;
    window::Win32MainWindow m_window{{m_folder.file("purgix.ini").string(), {}, true, {}},
                                     m_desktop};
};

TEST_F(Win32WindowTest, ControlsSitWhereTheLayoutTableSaysAtEveryResolution)
{
    const HWND main = static_cast<HWND>(m_window.native().handle());
    for (const int dpi : {96, 144, 192}) {
        if (dpi != 96) {
            RECT frame = {0, 0, 800, 600};
            ::SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                           reinterpret_cast<LPARAM>(&frame));
        }
        for (const window::LayoutRow& row : window::layoutTable()) {
            RECT place;
            const HWND handle = control(row.control, row.index);
            ::GetWindowRect(handle, &place);
            ::MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&place), 2);
            const auto pixels = [dpi](int twips) { return ::MulDiv(twips, dpi, 1440); };
            const RECT expected = {pixels(row.place.left), pixels(row.place.top),
                                   pixels(row.place.left) + pixels(row.place.width),
                                   pixels(row.place.top) + pixels(row.place.height)};
            EXPECT_TRUE(::EqualRect(&place, &expected))
                << dpi << " dpi: " << row.name << " " << row.index;
        }
    }
}

TEST_F(Win32WindowTest, TabGoesThroughTheControlsInTheirTabIndexOrder)
{
    std::vector<window::LayoutRow> focusable;
    for (const window::LayoutRow& row : window::layoutTable()) {
        if (row.kind != window::ControlKind::Label) {
            focusable.push_back(row);
        }
    }
    std::ranges::sort(focusable, {}, &window::LayoutRow::tabIndex);
    const HWND main = static_cast<HWND>(m_window.native().handle());
    HWND stop = control(focusable.front().control, focusable.front().index);
    for (const window::LayoutRow& row : focusable) {
        EXPECT_EQ(stop, control(row.control, row.index)) << row.name << " " << row.index;
        stop = ::GetNextDlgTabItem(main, stop, FALSE);
    }
}

TEST_F(Win32WindowTest, ButtonsBoxesAndLabelsReachTheModel)
{
    const std::string path = m_folder.write("hosts", "a\r\nx\r\n");
    type(Control::TxtFile, window::kNoIndex, std::wstring(path.begin(), path.end()));
    type(Control::TxtTarget, 0, L"x");
    EXPECT_TRUE(m_window.changed());

    click(Control::CmdPurgix);
    EXPECT_EQ(m_desktop.shown, std::vector<std::string>{"1 lines deleted."});
    EXPECT_EQ(readFile(path), "a\r\n");

    m_desktop.clipboard = "foo\r\nbar";
    click(Control::Paste, 4);
    EXPECT_EQ(m_window.native().text(m_window.control(Control::TxtTarget, 4)), "foo");

    const HWND label = control(Control::Label1);
    ::SendMessageW(::GetParent(label), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(label), STN_CLICKED),
                   reinterpret_cast<LPARAM>(label));
    EXPECT_EQ(::GetFocus(), control(Control::TxtTarget, 9));

    click(Control::Command1);
    EXPECT_EQ(m_window.native().text(m_window.control(Control::TxtTarget, 0)), "");
}

TEST_F(Win32WindowTest, EscAsksTheSaveQuestionAndCancelKeepsTheWindow)
{
    type(Control::TxtTarget, 2, L"y");
    m_desktop.answers = {window::Answer::Cancel, window::Answer::Yes};

    pressEscape(control(Control::TxtTarget, 2));
    EXPECT_TRUE(m_window.native().isOpen());

    pressEscape(control(Control::TxtTarget, 2));
    EXPECT_FALSE(m_window.native().isOpen());
    EXPECT_EQ(m_desktop.shown.size(), 2U);
    EXPECT_EQ(readFile(m_folder.file("purgix.ini")), "\r\n\r\ny\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
}

// A run held by another program's lock: no dialog before the delay, then the progress
// dialog; the window goes on painting; Alt+F4 meanwhile waits for the run's message; Cancel
// in the dialog leaves the file as it was.
TEST_F(Win32WindowTest, ALongRunShowsItsProgressAndCancelLeavesTheFile)
{
    using namespace std::chrono_literals;
    const std::string path = m_folder.write("hosts", "a\r\nx\r\n");
    const auto before = std::filesystem::last_write_time(path);
    type(Control::TxtFile, window::kNoIndex, std::wstring(path.begin(), path.end()));
    type(Control::TxtTarget, 0, L"x");
    const HWND main = static_cast<HWND>(m_window.native().handle());
    bool dialogTooEarly = true;
    bool repainted = false;
    HWND dialog = nullptr;
    std::thread user([&] {
        std::this_thread::sleep_for(200ms);
        dialogTooEarly = ::FindWindowW(L"PurgixProgress", nullptr) != nullptr;
        ::InvalidateRect(main, nullptr, FALSE);
        for (int i = 0; i < 100 && ::GetUpdateRect(main, nullptr, FALSE); ++i) {
            std::this_thread::sleep_for(10ms);
        }
        repainted = ::GetUpdateRect(main, nullptr, FALSE) == FALSE;
        for (int i = 0; i < 500 && dialog == nullptr; ++i) {
            std::this_thread::sleep_for(10ms);
            dialog = ::FindWindowW(L"PurgixProgress", nullptr);
        }
        ::PostMessageW(main, WM_SYSKEYDOWN, VK_F4, LPARAM{1} << 29); // with Alt held
        std::this_thread::sleep_for(50ms);
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    m_desktop.answers = {window::Answer::No};
    {
        const HeldLock lock(path);
        click(Control::CmdPurgix);
    }
    user.join();

    EXPECT_FALSE(dialogTooEarly);
    EXPECT_TRUE(repainted);
    EXPECT_NE(dialog, nullptr);
    EXPECT_FALSE(::IsWindow(dialog));
    EXPECT_EQ(m_desktop.shown,
              (std::vector<std::string>{"Cancelled; \"" + path + "\" was left as it is.",
                                        "Save changed search strings?"}))
        << "Alt+F4 asks to close once the run's message has been shown";
    EXPECT_FALSE(m_window.native().isOpen());
    EXPECT_EQ(readFile(path), "a\r\nx\r\n");
    EXPECT_EQ(std::filesystem::last_write_time(path), before);
}

// The caret starts at the end of the file box; clearing empty boxes changes nothing; the
// control that had the focus has it again once a message box closes; logging off asks the
// save question, and Cancel keeps the session.
TEST_F(Win32WindowTest, CaretFocusChangesAndTheEndOfTheSessionAreAsInDialogs)
{
    DWORD start = 0;
    DWORD end = 0;
    ::SendMessageW(control(Control::TxtFile), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    const auto length = static_cast<DWORD>(::GetWindowTextLengthW(control(Control::TxtFile)));
    EXPECT_EQ(start, length);
    EXPECT_EQ(end, length);

    click(Control::Command1);
    EXPECT_FALSE(m_window.changed()) << "the boxes were empty already";

    const HWND main = static_cast<HWND>(m_window.native().handle());
    ::SetFocus(control(Control::TxtTarget, 1));
    window::Win32WindowDesktop desktop;
    desktop.setOwner(main);
    std::thread user([] {
        for (int i = 0; i < 500; ++i) {
            if (const HWND box = ::FindWindowW(L"#32770", L"Purgix")) {
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    desktop.information("a message");
    user.join();
    m_window.native().processMessages();
    EXPECT_EQ(::GetFocus(), control(Control::TxtTarget, 1));

    type(Control::TxtTarget, 2, L"y");
    m_desktop.answers = {window::Answer::Cancel, window::Answer::Yes};
    EXPECT_EQ(::SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), FALSE);
    EXPECT_EQ(::SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_EQ(readFile(m_folder.file("purgix.ini")), "\r\n\r\ny\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
}

// Targets are in the system's code page: a target of bytes 0x80 to 0xFF goes through
// loading, an edit of another box, a run and a save with its bytes unchanged.
TEST(Win32WindowBytes, ATargetOfHighBytesRoundTrips)
{
    std::string high;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        high += static_cast<char>(byte);
    }
    TestFolder folder;
    folder.write("purgix.ini", high + "\r\nsecond\r\n");
    const std::string list = folder.write("test.txt", "a" + high + "b\r\nkeep\r\n");
    FakeDesktop desktop;
    window::Win32MainWindow window({folder.file("purgix.ini").string(), {}, true, {}}, desktop);
    window.load(list);
    window.native().show();
    window.native().processMessages();
    const int second = window.control(Control::TxtTarget, 1);
    window.native().setText(second, "second!");
    ::SendMessageW(
        static_cast<HWND>(window.native().controlHandle(window.control(Control::CmdPurgix))),
        BM_CLICK, 0, 0);
    window.native().processMessages();
    EXPECT_EQ(readFile(list), "keep\r\n");

    desktop.answers = {window::Answer::Yes};
    window.native().close();
    EXPECT_EQ(desktop.shown,
              (std::vector<std::string>{"1 lines deleted.", "Save changed search strings?"}));
    EXPECT_EQ(readFile(folder.file("purgix.ini")).substr(0, 139), high + "\r\nsecond!\r\n");
}

} // namespace
} // namespace purgix::test
