#include "save_file.h"

#include "file_identity.h"
#include "file_stream.h"
#include "file_system.h"
#include "locked_file.h"
#include "path_names.h"
#include "signal_cleanup.h"
#include "temporary_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <span>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace purgix::platform {

namespace {

constexpr mode_t kFallbackUmask = 022;
constexpr std::size_t kCopyChunk = std::size_t{1} << 20;
// Rounds of carrying appended lines over before a file that keeps growing counts as
// changed.
constexpr int kSettleRounds = 16;
// How long a writer that still has the old file open gets to finish after the rename.
constexpr std::chrono::milliseconds kLateAppendPause{1};

// umask() cannot be read without being set, which would race with other threads;
// Linux shows it in /proc/self/status instead.
mode_t processUmask(FileSystem& fileSystem)
{
    FileDescriptor status(fileSystem, fileSystem.open("/proc/self/status", O_RDONLY));
    if (!status.isOpen()) {
        return kFallbackUmask;
    }
    std::array<char, 4096> buffer{};
    const ssize_t size = fileSystem.read(status.get(), buffer.data(), buffer.size() - 1);
    if (size <= 0) {
        return kFallbackUmask;
    }
    const char* field = std::strstr(buffer.data(), "\nUmask:");
    if (field == nullptr) {
        return kFallbackUmask;
    }
    return static_cast<mode_t>(std::strtoul(field + 7, nullptr, 8)) & 0777;
}

// Flushes a folder so that a rename inside it survives a crash. Its failure is not
// reported: by then the new content stands at the path either way, and some file
// systems cannot flush a folder at all.
void syncFolder(FileSystem& fileSystem, const std::string& folder)
{
    FileDescriptor fd(fileSystem, fileSystem.open(folder, O_RDONLY | O_DIRECTORY));
    if (fd.isOpen()) {
        fileSystem.fsync(fd.get());
    }
}

bool isFolderWritable(FileSystem& fileSystem, const std::string& folder)
{
    return fileSystem.access(folder, W_OK | X_OK) == 0;
}

// Copies all of `from` (read from its start) over `to` from its start, setting `started`
// once a byte of `to` has changed. Returns 0 or an errno value.
int copyFile(FileSystem& fileSystem, int from, int to, off_t length, bool& started)
{
    if (fileSystem.seek(from, 0, SEEK_SET) != 0 || fileSystem.seek(to, 0, SEEK_SET) != 0) {
        return errno;
    }
    std::vector<char> buffer(kCopyChunk);
    FileSink sink(fileSystem, to);
    for (off_t copied = 0; copied < length;) {
        const ssize_t count = fileSystem.read(from, buffer.data(), buffer.size());
        if (count <= 0) {
            return count < 0 ? errno : EIO;
        }
        for (ssize_t done = 0; done < count;) {
            const std::ptrdiff_t written =
                sink.write(buffer.data() + done, static_cast<std::size_t>(count - done));
            if (written < 0) {
                return errno;
            }
            started = true;
            done += written;
        }
        copied += count;
    }
    return 0;
}

// Reads `buffer.size()` bytes at `offset`, or fewer where the file ends; -1 on failure.
ssize_t readAt(FileSystem& fileSystem, int fd, off_t offset, std::span<char> buffer)
{
    if (fileSystem.seek(fd, offset, SEEK_SET) != offset) {
        return -1;
    }
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t count = fileSystem.read(fd, buffer.data() + done, buffer.size() - done);
        if (count <= 0) {
            return count < 0 ? -1 : static_cast<ssize_t>(done);
        }
        done += static_cast<std::size_t>(count);
    }
    return static_cast<ssize_t>(done);
}

// Where the last whole line among the bytes from `from` to `to` ends: just past its LF, or
// `from` when none of them is an LF. Every rule of line ends ends a line at an LF, so
// what lies before it is whole lines, and what follows may be a line still being written.
// The descriptor is left at `from`.
std::optional<off_t> wholeLinesEnd(FileSystem& fileSystem, int fd, off_t from, off_t to)
{
    std::array<char, 4096> block{};
    off_t found = from;
    for (off_t end = to; end > from && found == from;) {
        const off_t start = std::max<off_t>(from, end - static_cast<off_t>(block.size()));
        const std::span<char> part(block.data(), static_cast<std::size_t>(end - start));
        const ssize_t count = readAt(fileSystem, fd, start, part);
        if (count < 0) {
            return std::nullopt;
        }
        if (count != static_cast<ssize_t>(part.size())) {
            break; // the file shrank: nothing is carried, and the change shows later
        }
        const auto lastLf = std::find(part.rbegin(), part.rend(), '\n');
        if (lastLf != part.rend()) {
            found = start + static_cast<off_t>(part.rend() - lastLf);
        }
        end = start;
    }
    if (fileSystem.seek(fd, from, SEEK_SET) != from) {
        return std::nullopt;
    }
    return found;
}

} // namespace

struct SaveFile::State
{
    State(FileSystem& files, std::string userPath, Use how, std::string staging)
        : fileSystem(files), path(std::move(userPath)), use(how), stagingFolder(std::move(staging))
    {
    }

    std::optional<FileError> resolve();
    std::optional<FileError> lockOriginal();
    std::optional<FileError> refusal() const;
    std::optional<FileError> createContent();
    std::optional<FileError> chooseInPlace();
    std::optional<FileError> openForRewrite();
    // Whether a carry round takes only whole lines, leaving a line still being written
    // to a later round, or everything, a last line without its end included.
    enum class Carry { WholeLines, Everything };
    std::optional<FileError> carry(const CarryOver& carryOver, ByteSink& into, Carry what);
    // What others did to the file since it was locked. Touched: its time changed but not
    // its size, as when a write is under way (the time is set before the size) or when
    // someone rewrote bytes in place; only a second look tells.
    enum class Outside { None, Appended, Touched, Changed, Unknown };
    Outside outsideChange();
    std::optional<FileError> settle(const CarryOver& carryOver, bool untilStill);
    bool nobodyElseWriting(int round);
    std::optional<FileError> carryUntilClosed(const CarryOver& carryOver);
    std::optional<FileError> renameOver(const CarryOver& carryOver);
    std::optional<FileError> rewriteInPlace(const CarryOver& carryOver);
    FileError rewriteFailed(int errorNumber);
    std::optional<off_t> currentSize();
    FileError cannot(std::string_view action, int errorNumber) const
    {
        return FileError::cannot(action, path, errorNumber);
    }
    // What a failure to reach the file says it could not do.
    std::string_view openAction() const { return use == Use::Replace ? "open" : "write"; }
    FileError writeErrorFor(int errorNumber) const
    {
        if (use == Use::Save) {
            return cannot("write", errorNumber);
        }
        return FileError::newContent(path, newContent ? newContent->folder() : folder, errorNumber);
    }

    FileSystem& fileSystem;
    std::string path; // as the user named it, for messages
    Use use;
    std::string stagingFolder;
    std::string target; // with symbolic links resolved: the file that is replaced
    std::string folder; // the folder of `target`
    bool exists = false;
    bool inPlace = false;
    LockedFile original;
    FileDescriptor rewriter; // the original, open for writing, when rewritten in place
    std::optional<TemporaryFile> newContent;
    std::optional<FileSource> source;
    std::optional<FileSink> sink;
    int statError = 0;       // why outsideChange() could not tell
    bool sawAppends = false; // another program appended to the file during the run
    off_t lookedAt = 0;      // the file's size when a carry round last looked at it
};

std::optional<FileError> SaveFile::State::resolve()
{
    const std::optional<std::string> resolved = resolvedPath(fileSystem, path);
    if (!resolved) {
        return cannot(openAction(), errno);
    }
    target = *resolved;
    folder = parentFolder(target);
    struct stat status = {};
    exists = use == Use::Replace || fileSystem.stat(target, status) == 0 || errno != ENOENT;
    return std::nullopt;
}

std::optional<FileError> SaveFile::State::lockOriginal()
{
    original = openLockedRegularFile(fileSystem, target);
    switch (original.failure) {
    case LockedFile::Failure::None:
        return std::nullopt;
    case LockedFile::Failure::Open:
        return cannot(openAction(), original.errorNumber);
    case LockedFile::Failure::Lock:
        return cannot("lock", original.errorNumber);
    case LockedFile::Failure::Directory:
        return FileError::cannot(openAction(), path, std::string("it is a directory"));
    case LockedFile::Failure::NotRegular:
        return FileError::notRegular(path);
    case LockedFile::Failure::KeptChanging:
        return FileError::changed(path);
    }
    return std::nullopt;
}

// A rename needs no permission on the file itself, so this is checked first: a file the
// process may not write to stays as it is, and so does one without a single write bit,
// even for root.
std::optional<FileError> SaveFile::State::refusal() const
{
    if ((original.status.st_mode & 0222) == 0) {
        return FileError::cannot("replace", path, "it is read-only");
    }
    if (fileSystem.access(target, W_OK) != 0) {
        return cannot("replace", errno);
    }
    return std::nullopt;
}

std::optional<FileError> SaveFile::State::createContent()
{
    const bool besideTarget = !inPlace || isFolderWritable(fileSystem, folder);
    newContent.emplace(fileSystem, besideTarget ? folder : stagingFolder, besideFilePrefix(target));
    if (!newContent->isOpen()) {
        return writeErrorFor(newContent->creationError());
    }
    sink.emplace(fileSystem, newContent->fd());
    return std::nullopt;
}

// Whether a rename would lose what the file is: its owner and group, which only root
// or the owner may give; its other names; its attributes, tried on the new file itself.
std::optional<FileError> SaveFile::State::chooseInPlace()
{
    const struct stat& status = original.status;
    inPlace = !canGiveOwner(status) || status.st_nlink > 1 || !isFolderWritable(fileSystem, folder);
    if (std::optional<FileError> failure = createContent()) {
        return failure;
    }
    if (!inPlace && copyIdentity(fileSystem, original.fd.get(), status, newContent->fd()) != 0) {
        inPlace = true;
    }
    return inPlace ? openForRewrite() : std::nullopt;
}

std::optional<FileError> SaveFile::State::openForRewrite()
{
    rewriter =
        FileDescriptor(fileSystem, fileSystem.open(target, O_WRONLY | O_NOCTTY | O_NONBLOCK));
    struct stat status = {};
    if (!rewriter.isOpen() || fileSystem.fstat(rewriter.get(), status) != 0) {
        return cannot("replace", errno);
    }
    if (!isSameFile(status, original.status)) {
        return FileError::changed(path);
    }
    return std::nullopt;
}

std::optional<off_t> SaveFile::State::currentSize()
{
    struct stat status = {};
    if (fileSystem.fstat(original.fd.get(), status) != 0) {
        return std::nullopt;
    }
    return status.st_size;
}

// Brings lines appended to the old file since it was read over to the new content.
std::optional<FileError> SaveFile::State::carry(const CarryOver& carryOver, ByteSink& into,
                                                Carry what)
{
    if (use != Use::Replace) {
        return std::nullopt;
    }
    const std::optional<off_t> size = currentSize();
    if (!size) {
        return cannot("read", errno);
    }
    lookedAt = std::max(lookedAt, *size);
    if (*size <= source->offset()) {
        return std::nullopt;
    }
    sawAppends = true;
    std::optional<off_t> end = *size;
    if (what == Carry::WholeLines) {
        end = wholeLinesEnd(fileSystem, original.fd.get(), source->offset(), *size);
    }
    if (!end) {
        return cannot("read", errno);
    }
    source->endAt(what == Carry::WholeLines ? end : std::nullopt);
    std::optional<FileError> failure = carryOver(*source, into);
    source->endAt(std::nullopt);
    return failure;
}

// Another writer's content must not be overwritten with a result computed from the
// content it replaced. Growth is an append, to be carried over; anything else is a change.
SaveFile::State::Outside SaveFile::State::outsideChange()
{
    struct stat current = {};
    if (fileSystem.stat(target, current) != 0) {
        statError = errno;
        return Outside::Unknown;
    }
    const struct stat& before = original.status;
    if (!isSameFile(before, current)) {
        return Outside::Changed;
    }
    if (use == Use::Replace && current.st_size > before.st_size) {
        const off_t carried = std::max<off_t>(lookedAt, source->offset());
        return current.st_size > carried ? Outside::Appended : Outside::None;
    }
    if (current.st_size != before.st_size) {
        return Outside::Changed;
    }
    return isUnchanged(before, current) ? Outside::None : Outside::Touched;
}

// Brings appended lines over and flushes the new content. With `untilStill`, until no
// other writer has added anything since; without, lines still arriving are left to the
// carry after the rename, which reads the old file to its end.
std::optional<FileError> SaveFile::State::settle(const CarryOver& carryOver, bool untilStill)
{
    for (int round = 0; round < kSettleRounds; ++round) {
        if (std::optional<FileError> failure = carry(carryOver, *sink, Carry::WholeLines)) {
            return failure;
        }
        if (fileSystem.fsync(newContent->fd()) != 0) {
            return writeErrorFor(errno);
        }
        switch (exists ? outsideChange() : Outside::None) {
        case Outside::None:
            return std::nullopt;
        case Outside::Changed:
            return FileError::changed(path);
        case Outside::Unknown:
            return cannot("replace", statError);
        case Outside::Appended:
            if (!untilStill) {
                return std::nullopt;
            }
            break;
        case Outside::Touched:
            std::this_thread::sleep_for(kLateAppendPause);
            break;
        }
    }
    return FileError::changed(path);
}

// Whether no other program has the old file open any more, so that nothing more can be
// added to it: a write lease is granted only then. Without leases (another user's file,
// a file system that has none) a writer seen during the run gets a moment to finish.
bool SaveFile::State::nobodyElseWriting(int round)
{
    const int fd = original.fd.get();
    if (fileSystem.lease(fd, F_WRLCK) == 0) {
        // A lease still held would make this process's own next open of the file wait.
        return fileSystem.lease(fd, F_UNLCK) == 0;
    }
    return errno != EAGAIN && (round > 0 || !sawAppends);
}

// A writer that still has the old file open may add to it; what it adds is carried over,
// whole lines only, until it has closed the file (or until the last round), and only then
// may a last line without its end be completed. After a rename the file is public, and
// others may append to it too, so the lines carried go on at its end in a single write.
std::optional<FileError> SaveFile::State::carryUntilClosed(const CarryOver& carryOver)
{
    StringSink late;
    for (int round = 0; round < kSettleRounds; ++round) {
        const bool last = nobodyElseWriting(round) || round + 1 == kSettleRounds;
        const Carry what = last ? Carry::Everything : Carry::WholeLines;
        if (std::optional<FileError> failure = carry(carryOver, late, what)) {
            return failure;
        }
        if (last) {
            break;
        }
        std::this_thread::sleep_for(kLateAppendPause);
    }
    if (late.bytes().empty()) {
        return std::nullopt;
    }
    if (fileSystem.appendOnly(newContent->fd()) != 0) {
        return writeErrorFor(errno);
    }
    if (const int error = writeAll(*sink, late.bytes()); error != 0) {
        return writeErrorFor(error);
    }
    return fileSystem.fsync(newContent->fd()) == 0 ? std::nullopt
                                                   : std::optional(writeErrorFor(errno));
}

std::optional<FileError> SaveFile::State::renameOver(const CarryOver& carryOver)
{
    if (!exists) {
        const mode_t mode = 0666 & ~processUmask(fileSystem);
        if (fileSystem.fchmod(newContent->fd(), mode) != 0) {
            return writeErrorFor(errno);
        }
    }
    if (std::optional<FileError> failure = settle(carryOver, false)) {
        return failure;
    }
    // A run that waits for this one takes the new file once it stands at the path: it
    // must wait on, until the lines still carried over have reached it.
    fileSystem.lock(newContent->fd(), LOCK_EX);
    if (const int error = newContent->moveOver(target, exists); error != 0) {
        return cannot("replace", error);
    }
    if (std::optional<FileError> failure = carryUntilClosed(carryOver)) {
        return failure;
    }
    syncFolder(fileSystem, folder);
    return std::nullopt;
}

// The file may be half rewritten: its new content stays where the user can find it.
FileError SaveFile::State::rewriteFailed(int errorNumber)
{
    return FileError::cannot("rewrite", path,
                             errorReason(errorNumber) + "; its new content is kept in \"" +
                                 newContent->keep() + "\"");
}

std::optional<FileError> SaveFile::State::rewriteInPlace(const CarryOver& carryOver)
{
    if (std::optional<FileError> failure = settle(carryOver, true)) {
        return failure;
    }
    // A descriptor of this process open for writing would look like another writer.
    rewriter = FileDescriptor();
    if (std::optional<FileError> failure = carryUntilClosed(carryOver)) {
        return failure;
    }
    // From the first byte written over the file until the copy is gone, a signal must
    // not end the process, or the file would be left half rewritten.
    const SignalBlock block;
    if (const int error = newContent->giveName(); error != 0) {
        return writeErrorFor(error);
    }
    // Nothing can be carried over from here on: what lands now would be overwritten.
    switch (outsideChange()) {
    case Outside::None:
        break;
    case Outside::Unknown:
        return cannot("replace", statError);
    case Outside::Appended:
    case Outside::Touched:
    case Outside::Changed:
        return FileError::changed(path);
    }
    if (std::optional<FileError> failure = openForRewrite()) {
        return failure;
    }
    const off_t length = sink->length();
    bool started = false;
    if (const int error = copyFile(fileSystem, newContent->fd(), rewriter.get(), length, started);
        error != 0) {
        return started ? rewriteFailed(error) : cannot("rewrite", error);
    }
    if (fileSystem.truncate(rewriter.get(), length) != 0 || fileSystem.fsync(rewriter.get()) != 0) {
        return rewriteFailed(errno);
    }
    return std::nullopt;
}

SaveFile::SaveFile(FileSystem& fileSystem, std::string path, Use use, std::string stagingFolder)
    : m_state(std::make_unique<State>(fileSystem, std::move(path), use, std::move(stagingFolder)))
{
}

SaveFile::~SaveFile() = default;

std::optional<FileError> SaveFile::open()
{
    State& state = *m_state;
    if (std::optional<FileError> failure = state.resolve()) {
        return failure;
    }
    if (!state.exists) {
        return state.createContent();
    }
    if (std::optional<FileError> failure = state.lockOriginal()) {
        return failure;
    }
    removeLeftoverRenaming(state.fileSystem, state.target);
    if (std::optional<FileError> failure = state.refusal()) {
        return failure;
    }
    if (std::optional<FileError> failure = state.chooseInPlace()) {
        return failure;
    }
    state.source.emplace(state.fileSystem, state.original.fd.get());
    return std::nullopt;
}

ByteSource& SaveFile::original()
{
    return *m_state->source;
}

ByteSink& SaveFile::content()
{
    return *m_state->sink;
}

FileError SaveFile::readError(int errorNumber) const
{
    return m_state->cannot("read", errorNumber);
}

FileError SaveFile::writeError(int errorNumber) const
{
    return m_state->writeErrorFor(errorNumber);
}

std::optional<FileError> SaveFile::commit(const CarryOver& carryOver)
{
    State& state = *m_state;
    return state.inPlace ? state.rewriteInPlace(carryOver) : state.renameOver(carryOver);
}

} // namespace purgix::platform
