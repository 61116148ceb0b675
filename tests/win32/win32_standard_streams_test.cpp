#include "platform/files/standard_streams.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <variant>
#include <windows.h>

namespace purgix::test {
namespace {

using platform::StandardInput;
using platform::StandardOutput;

// Bytes that a text mode would change: CR LF pairs, a lone CR and Ctrl+Z.
std::string bytesToKeep(std::size_t size)
{
    std::string bytes;
    while (bytes.size() < size) {
        bytes += "a\r\nb\x1a\r\nc\rd\n" + std::to_string(bytes.size());
    }
    return bytes;
}

std::string readToEnd(platform::ByteSource& source)
{
    std::string bytes;
    char block[10000];
    for (std::ptrdiff_t count = 0; (count = source.read(block, sizeof(block))) > 0;) {
        bytes.append(block, static_cast<std::size_t>(count));
    }
    return bytes;
}

template <typename Stream> std::unique_ptr<Stream> opened(typename Stream::Opened result)
{
    auto* stream = std::get_if<std::unique_ptr<Stream>>(&result);
    return stream != nullptr ? std::move(*stream) : nullptr;
}

HANDLE openFile(const std::string& path, DWORD access)
{
    return ::CreateFileW(std::filesystem::path(path).c_str(), access,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

// SetStdHandle changes what GetStdHandle gives, not the C runtime's handles, through which
// the test's own output goes.
TEST(Win32StandardStreams, ReadsAPipeAndADiskFileAsBytesAndRewinds)
{
    TestFolder folder;
    const std::string bytes = bytesToKeep(300'000);
    const HANDLE file = openFile(folder.write("in", "skip" + bytes), GENERIC_READ);
    ASSERT_NE(::SetFilePointer(file, 4, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    HANDLE pipeEnds[2];
    ASSERT_NE(::CreatePipe(&pipeEnds[0], &pipeEnds[1], nullptr, 0), 0);
    std::thread writer([&] {
        DWORD written = 0;
        ::WriteFile(pipeEnds[1], bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(pipeEnds[1]);
    });
    for (const HANDLE handle : {file, pipeEnds[0]}) {
        ::SetStdHandle(STD_INPUT_HANDLE, handle);
        const auto source = opened<StandardInput>(StandardInput::open(folder.tempDir().string()));
        ASSERT_TRUE(source);
        EXPECT_EQ(readToEnd(*source), bytes);
        ASSERT_TRUE(source->rewindTo(3));
        EXPECT_EQ(readToEnd(*source), bytes.substr(3));
        ::CloseHandle(handle);
    }
    writer.join();
}

TEST(Win32StandardStreams, WritesADiskFileInPlaceAndOtherOutputOnlyAtTheEnd)
{
    TestFolder folder;
    const std::string path = folder.write("out", "head\r\n");
    HANDLE pipeEnds[2];
    ASSERT_NE(::CreatePipe(&pipeEnds[0], &pipeEnds[1], nullptr, 0), 0);
    std::string received;
    std::thread reader([&] {
        char block[65536];
        DWORD count = 0;
        while (::ReadFile(pipeEnds[0], block, sizeof(block), &count, nullptr) != 0 && count > 0) {
            received.append(block, count);
        }
        ::CloseHandle(pipeEnds[0]);
    });
    // A handle that may only append cannot cut back: its bytes wait for finish() too.
    const HANDLE outputs[] = {openFile(path, GENERIC_WRITE),
                              openFile(path, FILE_APPEND_DATA | SYNCHRONIZE), pipeEnds[1]};
    const std::string bytes = bytesToKeep(1'000'000);
    std::string beforeFinish[3];
    for (int i = 0; i < 3; ++i) {
        ::SetFilePointer(outputs[i], 0, nullptr, FILE_END);
        ::SetStdHandle(STD_OUTPUT_HANDLE, outputs[i]);
        const auto sink =
            opened<StandardOutput>(StandardOutput::open(folder.tempDir().string(), true));
        ASSERT_TRUE(sink);
        ASSERT_EQ(platform::writeAll(*sink, "abc\r\n\x1a"), 0);
        ASSERT_TRUE(sink->cutBack(i));
        ASSERT_EQ(platform::writeAll(*sink, i < 2 ? "\x1a\r\n" : bytes), 0);
        beforeFinish[i] = readFile(path);
        EXPECT_FALSE(sink->finish());
        ::CloseHandle(outputs[i]);
    }
    reader.join();
    EXPECT_EQ(beforeFinish[0], "head\r\n\x1a\r\n");
    EXPECT_EQ(beforeFinish[1], "head\r\n\x1a\r\n");
    EXPECT_EQ(readFile(path), "head\r\n\x1a\r\na\x1a\r\n");
    EXPECT_TRUE(received == "ab" + bytes) << received.size() << " bytes received";

    ASSERT_NE(::CreatePipe(&pipeEnds[0], &pipeEnds[1], nullptr, 0), 0);
    ::CloseHandle(pipeEnds[0]);
    ::SetStdHandle(STD_OUTPUT_HANDLE, pipeEnds[1]);
    const auto sink = opened<StandardOutput>(StandardOutput::open(folder.tempDir().string(), true));
    ASSERT_TRUE(sink);
    ASSERT_EQ(platform::writeAll(*sink, "lost"), 0);
    const auto failure = sink->finish();
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->message().starts_with("Cannot write \"standard output\": "));
    ::CloseHandle(pipeEnds[1]);
}

} // namespace
} // namespace purgix::test
