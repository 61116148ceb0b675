#include "platform/files/standard_streams.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <variant>

namespace purgix::test {
namespace {

using platform::StandardInput;
using platform::StandardOutput;

// Puts `fd` in the place of standard input or output while it lives. Nothing is checked
// meanwhile, so that no failure report goes where standard output then goes.
class Redirected
{
public:
    Redirected(int fd, int target) : m_target(target), m_saved(::dup(target))
    {
        std::fflush(stdout);
        ::dup2(fd, target);
    }
    ~Redirected()
    {
        ::dup2(m_saved, m_target);
        ::close(m_saved);
    }

private:
    int m_target;
    int m_saved;
};

// Bytes in which a block read from the wrong place shows.
std::string numbered(std::size_t size)
{
    std::string bytes;
    while (bytes.size() < size) {
        bytes += std::to_string(bytes.size()) + ',';
    }
    return bytes.substr(0, size);
}

// Up to `size` bytes, or to the end, in blocks smaller than a pipe's.
std::string readUpTo(platform::ByteSource& source, std::size_t size = std::string::npos)
{
    std::string bytes;
    char block[10000];
    std::ptrdiff_t count = 1;
    while (bytes.size() < size && count > 0) {
        count = source.read(block, std::min(sizeof(block), size - bytes.size()));
        bytes.append(block, static_cast<std::size_t>(std::max<std::ptrdiff_t>(count, 0)));
    }
    return bytes;
}

template <typename Stream> std::unique_ptr<Stream> opened(typename Stream::Opened result)
{
    auto* stream = std::get_if<std::unique_ptr<Stream>>(&result);
    return stream != nullptr ? std::move(*stream) : nullptr;
}

TEST(StandardInput, ReadsARegularFileInPlaceAndAPipeThroughAnUnnamedCopy)
{
    TestFolder folder;
    const std::string bytes = numbered(1'000'000);
    // Open to append too, which reading pays no heed to.
    const int file = ::open(folder.write("in", "skip" + bytes).c_str(), O_RDWR | O_APPEND);
    ASSERT_EQ(::lseek(file, 4, SEEK_SET), 4);
    // A pipe that holds all the bytes, so that no writer need run alongside.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ASSERT_GE(::fcntl(pipeEnds[1], F_SETPIPE_SZ, 1 << 20), 1 << 20);
    ASSERT_EQ(::write(pipeEnds[1], bytes.data(), bytes.size()), 1'000'000);
    ::close(pipeEnds[1]);
    for (const int fd : {file, pipeEnds[0]}) {
        SCOPED_TRACE(fd == file ? "regular file" : "pipe");
        const Redirected input(fd, STDIN_FILENO);
        const auto source = opened<StandardInput>(StandardInput::open(folder.tempDir().string()));
        ASSERT_TRUE(source);
        EXPECT_EQ(readUpTo(*source, 200'000), bytes.substr(0, 200'000));
        ASSERT_TRUE(source->rewindTo(1'000));
        EXPECT_EQ(::lseek(STDIN_FILENO, 0, SEEK_CUR), fd == file ? 4 + 1'000 : -1);
        EXPECT_EQ(readUpTo(*source, 300'000), bytes.substr(1'000, 300'000));
        ASSERT_TRUE(source->rewindTo(0));
        EXPECT_EQ(readUpTo(*source), bytes);
        EXPECT_EQ(folder.tempDirListing(), "");
        ::close(fd);
    }
}

TEST(StandardOutput, WritesInPlaceOnlyAFileThatEndsWhereWritingStarts)
{
    struct Case
    {
        const char* name;
        int flags;
        std::string before;
        std::string beforeFinish;
        std::string after; // and a later write, as to a standard error that shares the file
        bool mayWriteInPlace = true;
        bool alsoInput = false;
    };
    const Case cases[] = {
        {"> out", O_WRONLY | O_TRUNC, "", "abXYZ", "abXYZ!"},
        {">> out", O_WRONLY | O_APPEND, "head\n", "head\nabXYZ", "head\nabXYZ!"},
        {"bytes after the offset", O_RDWR, "0123456789", "0123456789", "abXYZ!6789"},
        {"not in place", O_WRONLY | O_TRUNC, "", "", "abXYZ!", false},
        {"standard input's file", O_WRONLY | O_APPEND, "in\n", "in\n", "in\nabXYZ!", true, true},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        TestFolder folder;
        const std::string path = folder.write("out", row.before);
        const int fd = ::open(path.c_str(), row.flags);
        const int input = ::open(row.alsoInput ? path.c_str() : "/dev/null", O_RDONLY);
        bool written = false;
        std::string beforeFinish;
        std::optional<platform::FileError> failure;
        {
            const Redirected standardInput(input, STDIN_FILENO);
            const Redirected output(fd, STDOUT_FILENO);
            const auto sink = opened<StandardOutput>(
                StandardOutput::open(folder.tempDir().string(), row.mayWriteInPlace));
            // Cuts go back no further than where writing started.
            written = sink && platform::writeAll(*sink, "abcdef") == 0 && sink->cutBack(0) &&
                      platform::writeAll(*sink, "abcd") == 0 && sink->cutBack(2) &&
                      platform::writeAll(*sink, "XYZ") == 0;
            beforeFinish = readFile(path);
            failure = written ? sink->finish() : std::nullopt;
            written = written && ::write(STDOUT_FILENO, "!", 1) == 1;
        }
        ::close(fd);
        ::close(input);
        EXPECT_TRUE(written);
        EXPECT_FALSE(failure) << failure->message();
        EXPECT_EQ(beforeFinish, row.beforeFinish);
        EXPECT_EQ(readFile(path), row.after);
    }
}

TEST(StandardOutput, CopiesHeldBytesToAPipeAndFailsWithoutASignalWhenNobodyReads)
{
    TestFolder folder;
    const std::string bytes = numbered(3'000'000);
    for (const bool read : {true, false}) {
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        std::string received;
        std::thread reader([&] {
            char block[65536];
            ssize_t count = 0;
            while (read && (count = ::read(ends[0], block, sizeof(block))) > 0) {
                received.append(block, static_cast<std::size_t>(count));
            }
            ::close(ends[0]);
        });
        std::string failure = "not written";
        {
            const Redirected output(ends[1], STDOUT_FILENO);
            const auto sink =
                opened<StandardOutput>(StandardOutput::open(folder.tempDir().string(), true));
            if (sink && platform::writeAll(*sink, bytes) == 0) {
                const auto finished = sink->finish();
                failure = finished ? finished->message() : "";
            }
        }
        ::close(ends[1]);
        reader.join();
        EXPECT_EQ(failure, read ? "" : "Cannot write \"standard output\": Broken pipe.");
        EXPECT_TRUE(!read || received == bytes) << received.size() << " bytes received";
    }
    sigset_t pending;
    ASSERT_EQ(::sigpending(&pending), 0);
    EXPECT_EQ(::sigismember(&pending, SIGPIPE), 0);
}

} // namespace
} // namespace purgix::test
