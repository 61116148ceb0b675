#include "platform/files/standard_streams.h"

#include "platform/files/detail/file_stream.h"
#include "platform/files/detail/native_files.h"
#include "platform/files/detail/standard_handles.h"
#include "platform/files/detail/temporary_file.h"

#include <algorithm>
#include <cerrno>
#include <string_view>

namespace purgix::platform {

namespace {

constexpr std::string_view kInput = "standard input";
constexpr std::string_view kOutput = "standard output";

// 0 once `file` is open without a name, or the error number that keeps it from being so.
int unnamedError(TemporaryFile& file)
{
    return file.isOpen() ? file.dropName() : file.creationError();
}

// A regular file, read from where its offset stood; a rewind seeks back.
class InPlaceInput final : public StandardInput
{
public:
    InPlaceInput(FileSystem& fileSystem, NativeHandle input, std::int64_t start)
        : m_fileSystem(fileSystem), m_input(input), m_start(start)
    {
    }

    std::ptrdiff_t read(char* buffer, std::size_t size) override
    {
        const std::ptrdiff_t count = readStandardInput(m_fileSystem, m_input, buffer, size);
        if (count > 0) {
            m_offset += count;
        }
        return count;
    }

    std::int64_t offset() const override { return m_offset; }

    bool rewindTo(std::int64_t offset) override
    {
        if (!seekTo(m_fileSystem, m_input, m_start + offset)) {
            return false;
        }
        m_offset = offset;
        return true;
    }

private:
    FileSystem& m_fileSystem;
    NativeHandle m_input;
    std::int64_t m_start;
    std::int64_t m_offset = 0;
};

// Standard input read once: every block read is added to the copy, whose position stays
// at the reading offset, so that after a rewind the copy is read up to its end and then
// standard input again.
class CopiedInput final : public StandardInput
{
public:
    CopiedInput(FileSystem& fileSystem, NativeHandle input, const std::string& folder)
        : m_fileSystem(fileSystem), m_input(input),
          m_copy(fileSystem, noHandle(), folder, ".purgix-stdin."),
          m_sink(fileSystem, m_copy.handle())
    {
    }

    int creationError() { return unnamedError(m_copy); }

    std::ptrdiff_t read(char* buffer, std::size_t size) override
    {
        if (m_offset < m_sink.length()) {
            size = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(size),
                                                                   m_sink.length() - m_offset));
            const std::ptrdiff_t count = readSome(m_fileSystem, m_copy.handle(), buffer, size);
            if (count > 0) {
                m_offset += count;
            }
            return count;
        }
        const std::ptrdiff_t count = readStandardInput(m_fileSystem, m_input, buffer, size);
        if (count > 0) {
            if (const int error = writeAll(m_sink, {buffer, static_cast<std::size_t>(count)});
                error != 0) {
                errno = error;
                return -1;
            }
            m_offset += count;
        }
        return count;
    }

    std::int64_t offset() const override { return m_offset; }

    bool rewindTo(std::int64_t offset) override
    {
        if (!seekTo(m_fileSystem, m_copy.handle(), offset)) {
            return false;
        }
        m_offset = offset;
        return true;
    }

private:
    FileSystem& m_fileSystem;
    NativeHandle m_input;
    TemporaryFile m_copy;
    FileSink m_sink; // its length is how much of standard input was read
    std::int64_t m_offset = 0;
};

// A regular file that ends where writing starts, written directly; a cut truncates it.
class InPlaceOutput final : public StandardOutput
{
public:
    InPlaceOutput(FileSystem& fileSystem, NativeHandle output, std::int64_t start)
        : m_fileSystem(fileSystem), m_output(output), m_start(start)
    {
    }

    std::ptrdiff_t write(const char* data, std::size_t size) override
    {
        const std::ptrdiff_t count = writeSome(m_fileSystem, m_output, data, size);
        if (count == 0 && size > 0) {
            // A file that takes no bytes and names no reason counts as an I/O error.
            errno = EIO;
            return -1;
        }
        if (count > 0) {
            m_length += count;
        }
        return count;
    }

    bool cutBack(std::int64_t length) override
    {
        if (!cutAt(m_fileSystem, m_output, m_start + length) || !endAt(length)) {
            return false;
        }
        m_length = length;
        return true;
    }

    std::int64_t length() const override { return m_length; }

    std::optional<FileError> finish() override
    {
        if (!endAt(m_length)) {
            return FileError::cannot("write", std::string(kOutput), errno);
        }
        return std::nullopt;
    }

private:
    // Puts the offset at the end of the first `length` bytes written.
    bool endAt(std::int64_t length) { return seekTo(m_fileSystem, m_output, m_start + length); }

    FileSystem& m_fileSystem;
    NativeHandle m_output;
    std::int64_t m_start;
    std::int64_t m_length = 0;
};

// Bytes held in an unnamed file until finish() copies them to standard output.
class HeldOutput final : public StandardOutput
{
public:
    HeldOutput(FileSystem& fileSystem, NativeHandle output, const std::string& folder)
        : m_fileSystem(fileSystem), m_output(output),
          m_held(fileSystem, noHandle(), folder, ".purgix-stdout."),
          m_sink(fileSystem, m_held.handle())
    {
    }

    int creationError() { return unnamedError(m_held); }

    std::ptrdiff_t write(const char* data, std::size_t size) override
    {
        return m_sink.write(data, size);
    }
    bool cutBack(std::int64_t length) override { return m_sink.cutBack(length); }
    std::int64_t length() const override { return m_sink.length(); }

    std::optional<FileError> finish() override
    {
        if (const int error =
                copyToStandardOutput(m_fileSystem, m_held.handle(), m_sink.length(), m_output);
            error != 0) {
            return FileError::cannot("write", std::string(kOutput), error);
        }
        return std::nullopt;
    }

private:
    FileSystem& m_fileSystem;
    NativeHandle m_output;
    TemporaryFile m_held;
    FileSink m_sink;
};

// Whether `output` is the file that standard input reads, which must not grow while it is
// read.
bool isStandardInputFile(FileSystem& fileSystem, NativeHandle output)
{
    FileStatus input;
    FileStatus status;
    return statOpen(fileSystem, standardInputHandle(), input) == 0 &&
           statOpen(fileSystem, output, status) == 0 && isSameFile(input, status);
}

// Whether the regular file `output` ends at `start`, where writing starts.
bool endsAt(FileSystem& fileSystem, NativeHandle output, std::int64_t start)
{
    FileStatus status;
    return statOpen(fileSystem, output, status) == 0 && status.size == start;
}

} // namespace

StandardInput::Opened StandardInput::open(const std::string& temporaryFolder)
{
    FileSystem& fileSystem = systemFileSystem();
    const NativeHandle input = standardInputHandle();
    std::optional<std::int64_t> start;
    if (const int error = regularFileStart(fileSystem, input, Direction::Reading, start);
        error != 0) {
        return FileError::cannot("read", std::string(kInput), error);
    }
    if (start) {
        return std::make_unique<InPlaceInput>(fileSystem, input, *start);
    }
    auto copied = std::make_unique<CopiedInput>(fileSystem, input, temporaryFolder);
    if (const int error = copied->creationError(); error != 0) {
        return FileError::cannot("keep standard input in", temporaryFolder, error);
    }
    return copied;
}

StandardOutput::Opened StandardOutput::open(const std::string& temporaryFolder,
                                            bool mayWriteInPlace)
{
    FileSystem& fileSystem = systemFileSystem();
    const NativeHandle output = standardOutputHandle();
    std::optional<std::int64_t> start;
    if (const int error = regularFileStart(fileSystem, output, Direction::Writing, start);
        error != 0) {
        return FileError::cannot("write", std::string(kOutput), error);
    }
    if (mayWriteInPlace && start && endsAt(fileSystem, output, *start) &&
        !isStandardInputFile(fileSystem, output)) {
        return std::make_unique<InPlaceOutput>(fileSystem, output, *start);
    }
    auto held = std::make_unique<HeldOutput>(fileSystem, output, temporaryFolder);
    if (const int error = held->creationError(); error != 0) {
        return FileError::cannot("keep standard output in", temporaryFolder, error);
    }
    return held;
}

} // namespace purgix::platform
