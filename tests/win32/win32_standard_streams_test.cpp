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

namespace fs = std::filesystem;
using platform::FileError;
using platform::StandardInput;
using platform::StandardOutput;

// Bytes that a text mode would change: CR LF pairs, a lone CR and Ctrl+Z, among others.
std::string bytesToKeep(std::size_t size)
{
    std::string bytes = "a\r\nb\x1a\r\nc\rd\n";
    while (bytes.size() < size) {
        bytes += static_cast<char>('a' + bytes.size() % 26);
        bytes += bytes.size() % 97 == 0 ? "\x1a\r\n" : "";
    }
    return bytes;
}

// Puts `handle` in the place of a standard handle while it lives. The test's own output
// goes through the C runtime's handles, which stay where they were.
class Swapped
{
public:
    Swapped(DWORD stream, HANDLE handle) : m_stream(stream), m_saved(::GetStdHandle(stream))
    {
        ::SetStdHandle(stream, handle);
    }
    ~Swapped() { ::SetStdHandle(m_stream, m_saved); }
    Swapped(const Swapped&) = delete;
    Swapped& operator=(const Swapped&) = delete;

private:
    DWORD m_stream;
    HANDLE m_saved;
};

template <typename Stream> std::unique_ptr<Stream> opened(typename Stream::Opened result)
{
    if (auto* error = std::get_if<FileError>(&result)) {
        ADD_FAILURE() << error->message();
        return nullptr;
    }
    return std::move(std::get<std::unique_ptr<Stream>>(result));
}

std::string readUpTo(platform::ByteSource& source, std::size_t size = std::string::npos)
{
    std::string bytes;
    char block[10000];
    while (bytes.size() < size) {
        const std::ptrdiff_t count =
            source.read(block, std::min(sizeof(block), size - bytes.size()));
        if (count <= 0) {
            break;
        }
        bytes.append(block, static_cast<std::size_t>(count));
    }
    return bytes;
}

HANDLE openFile(const std::string& path, DWORD access)
{
    return ::CreateFileW(fs::path(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(Win32StandardStreams, ReadsPipesAndDiskFilesAsBytesAndRewinds)
{
    TestFolder folder;
    const std::string bytes = bytesToKeep(300'000);
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_NE(::CreatePipe(&readEnd, &writeEnd, nullptr, 0), 0);
    std::thread writer([&] {
        DWORD written = 0;
        ::WriteFile(writeEnd, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(writeEnd);
    });
    {
        const Swapped input(STD_INPUT_HANDLE, readEnd);
        const auto source = opened<StandardInput>(StandardInput::open(folder.tempDir().string()));
        ASSERT_TRUE(source);
        EXPECT_EQ(readUpTo(*source, 100'000), bytes.substr(0, 100'000));
        ASSERT_TRUE(source->rewindTo(3));
        EXPECT_EQ(readUpTo(*source), bytes.substr(3));
        ASSERT_TRUE(source->rewindTo(0));
        EXPECT_EQ(readUpTo(*source), bytes);
    }
    writer.join();
    ::CloseHandle(readEnd);

    const std::string path = folder.write("in", "skip" + bytes);
    const HANDLE file = openFile(path, GENERIC_READ);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_NE(::SetFilePointer(file, 4, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    {
        const Swapped input(STD_INPUT_HANDLE, file);
        const auto source = opened<StandardInput>(StandardInput::open(folder.tempDir().string()));
        ASSERT_TRUE(source);
        EXPECT_EQ(readUpTo(*source, 1'000), bytes.substr(0, 1'000));
        ASSERT_TRUE(source->rewindTo(2));
        EXPECT_EQ(readUpTo(*source), bytes.substr(2));
    }
    ::CloseHandle(file);
}

TEST(Win32StandardStreams, WritesADiskFileInPlaceAndOtherOutputOnlyAtTheEnd)
{
    TestFolder folder;
    const std::string path = folder.write("out", "head\r\n");
    const HANDLE file = openFile(path, GENERIC_WRITE);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_NE(::SetFilePointer(file, 0, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    {
        const Swapped output(STD_OUTPUT_HANDLE, file);
        const auto sink =
            opened<StandardOutput>(StandardOutput::open(folder.tempDir().string(), true));
        ASSERT_TRUE(sink);
        ASSERT_EQ(platform::writeAll(*sink, "a\r\nbcdef"), 0);
        ASSERT_TRUE(sink->cutBack(0));
        ASSERT_EQ(platform::writeAll(*sink, "a\r\nbcdef"), 0);
        ASSERT_TRUE(sink->cutBack(3));
        ASSERT_EQ(platform::writeAll(*sink, "\x1a\n"), 0);
        EXPECT_EQ(readFile(path), "head\r\na\r\n\x1a\n");
        EXPECT_FALSE(sink->finish());
    }
    DWORD written = 0;
    EXPECT_NE(::WriteFile(file, "!", 1, &written, nullptr), 0);
    ::CloseHandle(file);
    EXPECT_EQ(readFile(path), "head\r\na\r\n\x1a\n!");

    // A handle that may only append cannot cut back, so the bytes wait for finish().
    const HANDLE appending = openFile(path, FILE_APPEND_DATA | SYNCHRONIZE);
    ASSERT_NE(appending, INVALID_HANDLE_VALUE);
    ASSERT_NE(::SetFilePointer(appending, 0, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    {
        const Swapped output(STD_OUTPUT_HANDLE, appending);
        const auto sink =
            opened<StandardOutput>(StandardOutput::open(folder.tempDir().string(), true));
        ASSERT_TRUE(sink);
        ASSERT_EQ(platform::writeAll(*sink, "abc"), 0);
        ASSERT_TRUE(sink->cutBack(1));
        EXPECT_EQ(readFile(path), "head\r\na\r\n\x1a\n!");
        EXPECT_FALSE(sink->finish());
    }
    ::CloseHandle(appending);
    EXPECT_EQ(readFile(path), "head\r\na\r\n\x1a\n!a");

    const std::string bytes = bytesToKeep(1'000'000);
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_NE(::CreatePipe(&readEnd, &writeEnd, nullptr, 0), 0);
    std::string received;
    std::thread reader([&] {
        char block[65536];
        DWORD count = 0;
        while (::ReadFile(readEnd, block, sizeof(block), &count, nullptr) != 0 && count > 0) {
            received.append(block, count);
        }
    });
    {
        const Swapped output(STD_OUTPUT_HANDLE, writeEnd);
        const auto sink =
            opened<StandardOutput>(StandardOutput::open(folder.tempDir().string(), true));
        ASSERT_TRUE(sink);
        ASSERT_EQ(platform::writeAll(*sink, bytes), 0);
        EXPECT_FALSE(sink->finish());
    }
    ::CloseHandle(writeEnd);
    reader.join();
    ::CloseHandle(readEnd);
    EXPECT_TRUE(received == bytes) << received.size() << " bytes received";

    ASSERT_NE(::CreatePipe(&readEnd, &writeEnd, nullptr, 0), 0);
    ::CloseHandle(readEnd);
    {
        const Swapped output(STD_OUTPUT_HANDLE, writeEnd);
        const auto sink =
            opened<StandardOutput>(StandardOutput::open(folder.tempDir().string(), true));
        ASSERT_TRUE(sink);
        ASSERT_EQ(platform::writeAll(*sink, "lost"), 0);
        const auto failure = sink->finish();
        ASSERT_TRUE(failure);
        EXPECT_TRUE(failure->message().starts_with("Cannot write \"standard output\": "))
            << failure->message();
    }
    ::CloseHandle(writeEnd);
    EXPECT_EQ(folder.tempDirListing(), "");
}

} // namespace
} // namespace purgix::test
