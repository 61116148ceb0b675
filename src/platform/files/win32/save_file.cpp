#include "save_file.h"

#include "file_handle.h"
#include "handle_stream.h"
#include "regular_file.h"
#include "unique_file.h"
#include "win32_file_system.h"

#include <array>
#include <chrono>
#include <thread>
#include <utility>

namespace purgix::platform {

namespace {

// Rounds of carrying appended lines over before a file that keeps growing counts as
// changed, and attempts to lock a file that another run keeps replacing.
constexpr int kSettleRounds = 16;
// Virus scanners and sync clients open a new file for a moment; the pauses between
// attempts to put it in place add up to about 185 ms.
constexpr std::array kReplacePauses = {std::chrono::milliseconds{5}, std::chrono::milliseconds{15},
                                       std::chrono::milliseconds{40},
                                       std::chrono::milliseconds{125}};

int lastError()
{
    return static_cast<int>(::GetLastError());
}

bool isTransient(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_LOCK_VIOLATION || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// The errors with which a file system says it lacks an operation: ReplaceFileW on some
// network shares and FAT, where a plain rename has to do, and byte-range locks on some
// network shares, where files are read unlocked.
bool unsupportedHere(DWORD error)
{
    return error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
           error == ERROR_INVALID_FUNCTION;
}

std::string parentFolder(const std::string& path)
{
    const std::size_t separator = path.find_last_of("\\/");
    if (separator == std::string::npos) {
        return ".";
    }
    return path.substr(0, separator == 2 && path[1] == ':' ? separator + 1 : separator);
}

std::string baseName(const std::string& path)
{
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

bool isSameFile(const BY_HANDLE_FILE_INFORMATION& first, const BY_HANDLE_FILE_INFORMATION& second)
{
    return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

std::int64_t sizeOf(const BY_HANDLE_FILE_INFORMATION& information)
{
    return (static_cast<std::int64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
}

bool sameWriteTime(const BY_HANDLE_FILE_INFORMATION& first,
                   const BY_HANDLE_FILE_INFORMATION& second)
{
    return first.ftLastWriteTime.dwLowDateTime == second.ftLastWriteTime.dwLowDateTime &&
           first.ftLastWriteTime.dwHighDateTime == second.ftLastWriteTime.dwHighDateTime;
}

} // namespace

struct SaveFile::State
{
    State(FileSystem& files, std::string userPath, Use how)
        : fileSystem(files), path(std::move(userPath)), use(how), folder(parentFolder(path))
    {
    }

    void findOut();
    std::optional<FileError> lockOriginal();
    std::optional<FileError> refusal() const;
    std::optional<FileError> createContent();
    std::optional<FileError> carry(const CarryOver& carryOver);
    enum class Outside { None, Appended, Changed, Unknown };
    Outside outsideChange();
    std::optional<FileError> settle(const CarryOver& carryOver);
    bool putInPlace();
    FileError cannot(std::string_view action, int errorNumber) const
    {
        return FileError::cannot(action, path, errorNumber);
    }
    std::string_view openAction() const { return use == Use::Replace ? "open" : "write"; }
    FileError writeErrorFor(int errorNumber) const
    {
        if (use == Use::Save) {
            return cannot("write", errorNumber);
        }
        return FileError::newContent(path, folder, errorNumber);
    }

    FileSystem& fileSystem;
    std::string path;
    Use use;
    std::string folder;
    bool exists = false;
    FileHandle original;
    BY_HANDLE_FILE_INFORMATION status = {}; // the file as it was once the lock was held
    std::optional<UniqueFile> newContent;
    std::optional<HandleSource> source;
    std::optional<HandleSink> sink;
    int outsideError = 0; // why outsideChange() could not tell
};

// A file to save counts as missing only when the system says so; any other failure to
// look at it is reported by the attempt to open it.
void SaveFile::State::findOut()
{
    exists = use == Use::Replace || fileSystem.attributes(path) != INVALID_FILE_ATTRIBUTES ||
             ::GetLastError() != ERROR_FILE_NOT_FOUND;
}

// A run that replaced the file while this one waited for the lock leaves it holding the
// old file; the path must still name the locked file, or the new one is locked in turn.
std::optional<FileError> SaveFile::State::lockOriginal()
{
    for (int attempt = 0; attempt < kSettleRounds; ++attempt) {
        if (auto failure = openRegularFile(fileSystem, path, openAction(), original)) {
            return failure;
        }
        if (!fileSystem.lock(original.get()) && !unsupportedHere(::GetLastError())) {
            return cannot("lock", lastError());
        }
        FileHandle now;
        if (auto failure = openRegularFile(fileSystem, path, openAction(), now)) {
            return failure;
        }
        BY_HANDLE_FILE_INFORMATION current = {};
        if (!fileSystem.information(original.get(), status) ||
            !fileSystem.information(now.get(), current)) {
            return cannot(openAction(), lastError());
        }
        if (isSameFile(status, current)) {
            return std::nullopt;
        }
    }
    return FileError::changed(path);
}

// Checked before anything is read: a read-only file stays as it is, and so does one that
// this user may not write.
std::optional<FileError> SaveFile::State::refusal() const
{
    if ((status.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return FileError::cannot("replace", path, "it is read-only");
    }
    const FileHandle writer(
        fileSystem, fileSystem.createFile(path, GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          OPEN_EXISTING));
    if (!writer.isOpen()) {
        return cannot("replace", lastError());
    }
    return std::nullopt;
}

std::optional<FileError> SaveFile::State::createContent()
{
    newContent.emplace(fileSystem, folder, baseName(path));
    if (!newContent->isOpen()) {
        return writeErrorFor(newContent->creationError());
    }
    sink.emplace(fileSystem, newContent->handle());
    return std::nullopt;
}

// Brings lines appended to the old file since it was read over to the new content.
std::optional<FileError> SaveFile::State::carry(const CarryOver& carryOver)
{
    std::int64_t size = 0;
    if (use != Use::Replace || !fileSystem.size(original.get(), size) || size <= source->offset()) {
        return std::nullopt;
    }
    return carryOver(*source, *sink);
}

// Another writer's content must not be overwritten with a result computed from the
// content it replaced. Growth is an append, to be carried over; anything else is a change.
SaveFile::State::Outside SaveFile::State::outsideChange()
{
    FileHandle now;
    if (openRegularFile(fileSystem, path, "open", now)) {
        outsideError = lastError();
        return Outside::Unknown;
    }
    BY_HANDLE_FILE_INFORMATION current = {};
    if (!fileSystem.information(now.get(), current)) {
        outsideError = lastError();
        return Outside::Unknown;
    }
    if (!isSameFile(status, current)) {
        return Outside::Changed;
    }
    if (use == Use::Replace && sizeOf(current) > sizeOf(status)) {
        return sizeOf(current) > source->offset() ? Outside::Appended : Outside::None;
    }
    return sizeOf(current) == sizeOf(status) && sameWriteTime(current, status) ? Outside::None
                                                                               : Outside::Changed;
}

// Brings appended lines over and flushes the new content, until no other writer has
// added anything since.
std::optional<FileError> SaveFile::State::settle(const CarryOver& carryOver)
{
    for (int round = 0; round < kSettleRounds; ++round) {
        if (std::optional<FileError> failure = carry(carryOver)) {
            return failure;
        }
        if (!fileSystem.flush(newContent->handle())) {
            return writeErrorFor(lastError());
        }
        switch (exists ? outsideChange() : Outside::None) {
        case Outside::None:
            return std::nullopt;
        case Outside::Changed:
            return FileError::changed(path);
        case Outside::Unknown:
            return cannot("replace", outsideError);
        case Outside::Appended:
            break;
        }
    }
    return FileError::changed(path);
}

// ReplaceFileW keeps what the file is (creation time, attributes, security descriptor,
// alternate streams); a new file, or a file system without it, gets a plain rename.
bool SaveFile::State::putInPlace()
{
    const std::string& replacement = newContent->path();
    if (exists && fileSystem.replace(path, replacement)) {
        return true;
    }
    if (exists && !unsupportedHere(::GetLastError())) {
        return false;
    }
    // A rename over a file that is still open fails; the lock goes with the handle, and a
    // run waiting for it then finds the new file.
    original.reset();
    return fileSystem.move(replacement, path);
}

// Windows replaces every file through a new file beside it, ReplaceFileW keeping what the
// file is; the staging folder serves only Linux's rewrites in place.
SaveFile::SaveFile(FileSystem& fileSystem, std::string path, Use use, std::string)
    : m_state(std::make_unique<State>(fileSystem, std::move(path), use))
{
}

SaveFile::~SaveFile() = default;

std::optional<FileError> SaveFile::open()
{
    State& state = *m_state;
    state.findOut();
    if (!state.exists) {
        return state.createContent();
    }
    if (std::optional<FileError> failure = state.lockOriginal()) {
        return failure;
    }
    if (std::optional<FileError> failure = state.refusal()) {
        return failure;
    }
    if (std::optional<FileError> failure = state.createContent()) {
        return failure;
    }
    state.source.emplace(state.fileSystem, state.original.get());
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
    if (std::optional<FileError> failure = state.settle(carryOver)) {
        return failure;
    }
    if (!state.newContent->keepOnClose()) {
        return state.writeErrorFor(lastError());
    }
    state.newContent->close();
    for (std::size_t attempt = 0;; ++attempt) {
        if (state.putInPlace()) {
            state.newContent->markMoved();
            return std::nullopt;
        }
        const DWORD error = ::GetLastError();
        if (!isTransient(error) || attempt == kReplacePauses.size()) {
            return state.cannot("replace", static_cast<int>(error));
        }
        std::this_thread::sleep_for(kReplacePauses[attempt]);
    }
}

} // namespace purgix::platform
