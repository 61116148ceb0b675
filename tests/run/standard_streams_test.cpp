#include "platform/files/standard_streams.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <variant>

namespace purgix::test {
namespace {

using platform::FileError;
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
    Redirected(const Redirected&) = delete;
    Redirected& operator=(const Redirected&) = delete;

private:
    int m_target;
    int m_saved;
};

// Bytes no two blocks of which are alike, so that a block replayed from the wrong place shows.
std::string pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    }
    return bytes;
}

// Reads `size` bytes, or up to the end when there are fewer, in blocks smaller than a pipe's.
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

// Writes `bytes` in the background, then closes the pipe's end.
std::thread writeAndClose(int fd, std::string bytes)
{
    return std::thread([fd, bytes = std::move(bytes)] {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t count = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (count <= 0) {
                break;
            }
            done += static_cast<std::size_t>(count);
        }
        ::close(fd);
    });
}

// Reads a pipe to its end in the background.
std::thread readToEnd(int fd, std::string& bytes)
{
    return std::thread([fd, &bytes] {
        char block[65536];
        ssize_t count = 0;
        while ((count = ::read(fd, block, sizeof(block))) > 0) {
            bytes.append(block, static_cast<std::size_t>(count));
        }
        ::close(fd);
    });
}

// The stream opened, or nothing, with the failure's message in `failure`.
template <typename Stream>
std::unique_ptr<Stream> opened(typename Stream::Opened result, std::string& failure)
{
    if (auto* error = std::get_if<FileError>(&result)) {
        failure = error->message();
        return nullptr;
    }
    return std::move(std::get<std::unique_ptr<Stream>>(result));
}

std::string contentOf(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(StandardInput, ReadsARegularFileInPlaceFromItsOffsetAndRewindsBySeeking)
{
    TestFolder folder;
    const std::string bytes = pattern(300'000);
    const std::string path = folder.write("in", "skip" + bytes);
    // Open to append too, which reading pays no heed to.
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::lseek(fd, 4, SEEK_SET), 4);
    std::string failure;
    std::string first;
    std::string again;
    off_t offsetAfterRewind = -1;
    {
        const Redirected input(fd, STDIN_FILENO);
        const auto source =
            opened<StandardInput>(StandardInput::open(folder.tempDir().string()), failure);
        ASSERT_TRUE(source) << failure;
        first = readUpTo(*source, 100'000);
        ASSERT_TRUE(source->rewindTo(7));
        offsetAfterRewind = ::lseek(STDIN_FILENO, 0, SEEK_CUR);
        again = readUpTo(*source);
    }
    ::close(fd);
    EXPECT_EQ(first, bytes.substr(0, 100'000));
    EXPECT_EQ(offsetAfterRewind, 4 + 7);
    EXPECT_EQ(again, bytes.substr(7));
}

TEST(StandardInput, ReplaysAPipeFromItsUnnamedCopyAndThenReadsOn)
{
    TestFolder folder;
    const std::string bytes = pattern(1'000'000);
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::thread writer = writeAndClose(ends[1], bytes);
    std::string failure;
    std::string first;
    std::string acrossTheCopysEnd;
    std::string whole;
    std::string tail;
    std::string leftInTemporaryFolder;
    {
        const Redirected input(ends[0], STDIN_FILENO);
        const auto source =
            opened<StandardInput>(StandardInput::open(folder.tempDir().string()), failure);
        ASSERT_TRUE(source) << failure;
        first = readUpTo(*source, 200'000);
        leftInTemporaryFolder = folder.tempDirListing();
        ASSERT_TRUE(source->rewindTo(1'000));
        acrossTheCopysEnd = readUpTo(*source, 300'000);
        ASSERT_TRUE(source->rewindTo(0));
        whole = readUpTo(*source);
        ASSERT_TRUE(source->rewindTo(999'000));
        tail = readUpTo(*source);
    }
    writer.join();
    ::close(ends[0]);
    EXPECT_EQ(first, bytes.substr(0, 200'000));
    EXPECT_EQ(leftInTemporaryFolder, "");
    EXPECT_EQ(acrossTheCopysEnd, bytes.substr(1'000, 300'000));
    EXPECT_EQ(whole, bytes);
    EXPECT_EQ(tail, bytes.substr(999'000));
}

// Writes, cuts back past where writing started, writes again and finishes; then writes a
// byte the way a later message to a shared standard error would land. Returns what the
// file held before finish() and its failure.
struct Written
{
    std::string beforeFinish;
    std::string failure;
};

Written writeCutAndFinish(const TestFolder& folder, int fd, bool mayWriteInPlace,
                          const std::string& path)
{
    Written written;
    const Redirected output(fd, STDOUT_FILENO);
    const auto sink = opened<StandardOutput>(
        StandardOutput::open(folder.tempDir().string(), mayWriteInPlace), written.failure);
    if (!sink) {
        return written;
    }
    if (platform::writeAll(*sink, "abcdef") != 0 || !sink->cutBack(0) ||
        platform::writeAll(*sink, "abcd") != 0 || !sink->cutBack(2) ||
        platform::writeAll(*sink, "XYZ") != 0 || sink->length() != 5) {
        written.failure = "a write or a cut failed";
        return written;
    }
    written.beforeFinish = contentOf(path);
    if (const auto failure = sink->finish()) {
        written.failure = failure->message();
    }
    if (::write(STDOUT_FILENO, "!", 1) != 1) {
        written.failure = "the later write failed";
    }
    return written;
}

TEST(StandardOutput, WritesAFileThatEndsWhereWritingStartsInPlace)
{
    struct Case
    {
        const char* name;
        int flags;
        std::string before;
    };
    const Case cases[] = {
        {"> out", O_WRONLY | O_TRUNC, ""},
        {">> out", O_WRONLY | O_APPEND, "head\n"},
        {"at the end of its bytes", O_WRONLY, "head\n"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        TestFolder folder;
        const std::string path = folder.write("out", row.before);
        const int fd = ::open(path.c_str(), row.flags);
        ASSERT_GE(fd, 0);
        ASSERT_GE(::lseek(fd, 0, (row.flags & O_APPEND) != 0 ? SEEK_SET : SEEK_END), 0);
        const Written written = writeCutAndFinish(folder, fd, true, path);
        ::close(fd);
        EXPECT_EQ(written.failure, "");
        EXPECT_EQ(written.beforeFinish, row.before + "abXYZ");
        EXPECT_EQ(readFile(path), row.before + "abXYZ!");
    }
}

TEST(StandardOutput, HoldsWhatItMayNotWriteInPlaceUntilFinish)
{
    struct Case
    {
        const char* name;
        int flags;
        bool mayWriteInPlace;
        bool alsoInput;
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        {"bytes after the offset", O_RDWR, true, false, "0123456789", "abXYZ!6789"},
        {"not in place", O_WRONLY | O_TRUNC, false, false, "", "abXYZ!"},
        {"standard input's file", O_WRONLY | O_APPEND, true, true, "in\n", "in\nabXYZ!"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        TestFolder folder;
        const std::string path = folder.write("out", row.before);
        const int fd = ::open(path.c_str(), row.flags);
        const int input = ::open(row.alsoInput ? path.c_str() : "/dev/null", O_RDONLY);
        ASSERT_GE(fd, 0);
        ASSERT_GE(input, 0);
        Written written;
        {
            const Redirected standardInput(input, STDIN_FILENO);
            written = writeCutAndFinish(folder, fd, row.mayWriteInPlace, path);
        }
        ::close(fd);
        ::close(input);
        EXPECT_EQ(written.failure, "");
        EXPECT_EQ(written.beforeFinish, row.before);
        EXPECT_EQ(readFile(path), row.after);
        EXPECT_EQ(folder.tempDirListing(), "");
    }
}

// Writes `bytes` after a cut and finishes; the failure's message, if any.
std::string writeAndFinish(const TestFolder& folder, const std::string& bytes)
{
    std::string failure;
    const auto sink =
        opened<StandardOutput>(StandardOutput::open(folder.tempDir().string(), true), failure);
    if (!sink) {
        return failure;
    }
    if (platform::writeAll(*sink, "dropped") != 0 || !sink->cutBack(0) ||
        platform::writeAll(*sink, bytes) != 0) {
        return "a write or a cut failed";
    }
    const auto finished = sink->finish();
    return finished ? finished->message() : "";
}

TEST(StandardOutput, CopiesHeldBytesToAPipeAndFailsWithoutASignalWhenNobodyReads)
{
    TestFolder folder;
    const std::string bytes = pattern(3'000'000);
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::string received;
    std::thread reader = readToEnd(ends[0], received);
    std::string failure;
    {
        const Redirected output(ends[1], STDOUT_FILENO);
        failure = writeAndFinish(folder, bytes);
        ::close(ends[1]);
    }
    reader.join();
    EXPECT_EQ(failure, "");
    EXPECT_TRUE(received == bytes) << received.size() << " bytes received";

    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    {
        const Redirected output(ends[1], STDOUT_FILENO);
        failure = writeAndFinish(folder, bytes);
    }
    ::close(ends[1]);
    EXPECT_EQ(failure, "Cannot write \"standard output\": Broken pipe.");
    sigset_t pending;
    ASSERT_EQ(::sigpending(&pending), 0);
    EXPECT_EQ(::sigismember(&pending, SIGPIPE), 0);
}

} // namespace
} // namespace purgix::test
