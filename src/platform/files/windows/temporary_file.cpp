#include "platform/files/detail/temporary_file.h"

#include "platform/files/detail/file_stream.h"
#include "platform/files/detail/native_files.h"
#include "platform/files/detail/path_names.h"
#include "platform/files/detail/signal_cleanup.h"
#include "platform/files/detail/temporary_names.h"
#include "platform/files/windows/windows_file_system.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <thread>

namespace purgix::platform {

namespace {

constexpr int kNameAttempts = 100;
// Virus scanners and sync clients open a new file for a moment; the pauses between
// attempts to put it in place add up to about 185 ms.
constexpr std::array kReplacePauses = {std::chrono::milliseconds{5}, std::chrono::milliseconds{15},
                                       std::chrono::milliseconds{40},
                                       std::chrono::milliseconds{125}};

bool isTransient(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_LOCK_VIOLATION || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// The errors with which a file system says it has no ReplaceFileW (some network shares,
// FAT), where a plain rename has to do.
bool replaceUnsupported(DWORD error)
{
    return error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
           error == ERROR_INVALID_FUNCTION;
}

// ReplaceFileW keeps what the file is (creation time, attributes, security descriptor,
// alternate streams); a new file, or a file system without it, gets a plain rename, which
// fails over a file that is still open: the lock goes with the handle, and a run waiting
// for it then finds the new file.
bool putInPlace(FileSystem& fileSystem, const std::string& replacement,
                const FileLocation& destination, bool exists, NativeFile& replaced)
{
    const std::string path = destination.path();
    if (exists && fileSystem.replace(path, replacement)) {
        return true;
    }
    if (exists && !replaceUnsupported(::GetLastError())) {
        return false;
    }
    replaced.reset();
    return fileSystem.move(replacement, path);
}

} // namespace

std::string TemporaryFile::nameInFolder(const std::string& name) const
{
    return joinPath(m_folderPath, name);
}

// The file is made with its name at once, and marked to be removed when its handle
// closes, so that nothing is left even when the process is terminated.
TemporaryFile::TemporaryFile(FileSystem& fileSystem, NativeHandle folder, std::string folderPath,
                             std::string_view prefix, bool forLockedFile, std::string security)
    : m_fileSystem(fileSystem), m_folder(folder), m_folderPath(std::move(folderPath)),
      m_prefix(prefix)
{
    create(forLockedFile, security);
}

// The system removes the file itself however the process ends, so any name will do.
bool TemporaryFile::create(bool, const std::string& security)
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string name = m_prefix + randomName();
        m_file = NativeFile(
            m_fileSystem,
            m_fileSystem.createFile(nameInFolder(name), GENERIC_READ | GENERIC_WRITE | DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_DELETE, CREATE_NEW, 0, security));
        if (m_file.isOpen()) {
            // A file system without the mark still has the other ways of removal.
            m_removedOnClose = m_fileSystem.setRemovedOnClose(m_file.get(), true);
            m_name = std::move(name);
            watchName();
            m_creationError = 0;
            return true;
        }
        m_creationError = static_cast<int>(::GetLastError());
        if (m_creationError != ERROR_FILE_EXISTS) {
            return false;
        }
    }
    return false;
}

void TemporaryFile::watchName()
{
    m_removalOnSignal = std::make_unique<RemovalOnSignal>(nameInFolder(m_name));
}

TemporaryFile::~TemporaryFile()
{
    m_removalOnSignal.reset();
    m_file.reset();
    if (!m_name.empty() && !m_moved) {
        m_fileSystem.remove(nameInFolder(m_name));
    }
}

// Lets the file outlive its handle, as it must to be kept or moved into place.
int TemporaryFile::giveName()
{
    if (m_removedOnClose && !m_fileSystem.setRemovedOnClose(m_file.get(), false)) {
        return static_cast<int>(::GetLastError());
    }
    m_removedOnClose = false;
    return 0;
}

// A file cannot lose its name while it is open: the system removes it when its handle
// closes, however the process ends, or else the object removes it when it goes.
int TemporaryFile::dropName()
{
    return 0;
}

// The open file takes the name, and then outlives its handle, as a copy kept until a
// rewrite is done must.
int TemporaryFile::nameAs(const std::string& name)
{
    if (!m_fileSystem.rename(m_file.get(), nameInFolder(name), false)) {
        return static_cast<int>(::GetLastError());
    }
    m_name = name;
    watchName();
    return giveName();
}

int TemporaryFile::nameToKeep()
{
    return giveName();
}

std::string TemporaryFile::keep()
{
    m_moved = true;
    m_removalOnSignal.reset();
    return nameInFolder(m_name);
}

// Renamed through its handle, which may delete it whatever the DACL it was made with says.
int TemporaryFile::replace(const FileLocation& destination)
{
    if (const int error = giveName(); error != 0) {
        return error;
    }
    if (!m_fileSystem.rename(m_file.get(), destination.path(), true)) {
        return static_cast<int>(::GetLastError());
    }
    m_moved = true;
    m_removalOnSignal.reset();
    return 0;
}

TemporaryFile::MoveOutcome TemporaryFile::moveOver(const FileLocation& destination,
                                                   const FileStatus* replaced,
                                                   NativeFile& replacedFile)
{
    if (const int error = giveName(); error != 0) {
        return {error};
    }
    m_file.reset();
    const std::string path = nameInFolder(m_name);
    for (std::size_t attempt = 0;; ++attempt) {
        if (putInPlace(m_fileSystem, path, destination, replaced != nullptr, replacedFile)) {
            m_moved = true;
            m_removalOnSignal.reset();
            return {};
        }
        const DWORD error = ::GetLastError();
        if (!isTransient(error) || attempt == kReplacePauses.size()) {
            return {static_cast<int>(error)};
        }
        std::this_thread::sleep_for(kReplacePauses[attempt]);
    }
}

// FILE_APPEND_DATA alone puts every write at the end of the file, after whatever others
// append meanwhile.
int TemporaryFile::appendAfterMove(const FileLocation& destination, std::string_view bytes,
                                   const Privileges&)
{
    const NativeFile file(m_fileSystem, m_fileSystem.createFile(
                                            destination.path(), FILE_APPEND_DATA,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            OPEN_EXISTING));
    if (!file.isOpen()) {
        return static_cast<int>(::GetLastError());
    }
    FileSink sink(m_fileSystem, file.get());
    if (const int error = writeAll(sink, bytes); error != 0) {
        return error;
    }
    return flushFile(m_fileSystem, file.get());
}

} // namespace purgix::platform
