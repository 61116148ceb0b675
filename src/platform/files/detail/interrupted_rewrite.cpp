#include "platform/files/detail/interrupted_rewrite.h"

#include "platform/files/detail/file_stream.h"
#include "platform/files/detail/native_files.h"
#include "platform/files/detail/temporary_names.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <string_view>
#include <vector>

namespace purgix::platform {

namespace {

constexpr std::string_view kNoteStart = "\npurgix-rewrite ";
// A note is far shorter: four numbers of at most 20 digits.
constexpr std::int64_t kLongestNote = 128;
constexpr std::size_t kChunk = std::size_t{1} << 20;

template <typename Number> bool takeNumber(std::string_view& text, Number& number)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc()) {
        return false;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    if (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    return true;
}

} // namespace

std::string rewriteCopyName(const std::string& name)
{
    return besideFilePrefix(name) + "purgix-rewrite";
}

std::string stagedRewriteName(std::uint64_t volume, std::uint64_t index)
{
    return ".purgix-rewrite-" + std::to_string(volume) + "-" + std::to_string(index);
}

std::string rewriteNoteText(const RewriteNote& note)
{
    return std::string(kNoteStart) + std::to_string(note.length) + ' ' +
           std::to_string(note.oldSize) + ' ' + std::to_string(note.volume) + ' ' +
           std::to_string(note.index) + '\n';
}

std::optional<RewriteNote> readRewriteNote(FileSystem& fileSystem, NativeHandle copy)
{
    FileStatus status;
    if (statOpen(fileSystem, copy, status) != 0) {
        return std::nullopt;
    }
    const std::int64_t tailSize = std::min(status.size, kLongestNote);
    std::string tail(static_cast<std::size_t>(tailSize), '\0');
    if (readAt(fileSystem, copy, status.size - tailSize, tail.data(), tail.size()) != tailSize) {
        return std::nullopt;
    }
    const std::size_t start = tail.rfind(kNoteStart);
    if (start == std::string::npos || tail.back() != '\n') {
        return std::nullopt;
    }
    std::string_view fields(tail.data() + start + kNoteStart.size(),
                            tail.size() - start - kNoteStart.size() - 1);
    RewriteNote note;
    if (!takeNumber(fields, note.length) || !takeNumber(fields, note.oldSize) ||
        !takeNumber(fields, note.volume) || !takeNumber(fields, note.index) || !fields.empty()) {
        return std::nullopt;
    }
    // The note must follow the new content exactly.
    const auto noteSize = static_cast<std::int64_t>(tail.size() - start);
    if (note.length < 0 || note.length + noteSize != status.size) {
        return std::nullopt;
    }
    return note;
}

int copyOver(FileSystem& fileSystem, NativeHandle from, NativeHandle to, std::int64_t length,
             bool& started)
{
    std::vector<char> buffer(kChunk);
    for (std::int64_t done = 0; done < length;) {
        const auto size = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), length - done));
        const std::ptrdiff_t count = readAt(fileSystem, from, done, buffer.data(), size);
        if (count <= 0) {
            return count < 0 ? errno : EIO;
        }
        if (const int error =
                writeAt(fileSystem, to, done,
                        std::string_view(buffer.data(), static_cast<std::size_t>(count)));
            error != 0) {
            return error;
        }
        started = true;
        done += count;
    }
    return 0;
}

// What others appended once the rewrite had begun lies past the old size, or past the new
// content where that was longer (the file was held at its full length first); it moves down
// to follow the new content.
int finishRewrite(FileSystem& fileSystem, NativeHandle copy, NativeHandle file,
                  const RewriteNote& note)
{
    FileStatus status;
    if (const int error = statOpen(fileSystem, file, status); error != 0) {
        return error;
    }
    bool started = false;
    if (const int error = copyOver(fileSystem, copy, file, note.length, started); error != 0) {
        return error;
    }
    const std::int64_t tailStart = std::max(note.oldSize, note.length);
    const std::int64_t tail = std::max<std::int64_t>(status.size - tailStart, 0);
    std::vector<char> buffer(kChunk);
    for (std::int64_t moved = 0; moved < tail && tailStart != note.length;) {
        const auto size = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), tail - moved));
        const std::ptrdiff_t count =
            readAt(fileSystem, file, tailStart + moved, buffer.data(), size);
        if (count <= 0) {
            return count < 0 ? errno : EIO;
        }
        if (const int error =
                writeAt(fileSystem, file, note.length + moved,
                        std::string_view(buffer.data(), static_cast<std::size_t>(count)));
            error != 0) {
            return error;
        }
        moved += count;
    }
    if (!cutAt(fileSystem, file, note.length + tail)) {
        return errno;
    }
    return flushFile(fileSystem, file);
}

} // namespace purgix::platform
