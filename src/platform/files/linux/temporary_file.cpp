#include "platform/files/detail/temporary_file.h"

#include "platform/files/detail/file_stream.h"
#include "platform/files/detail/native_files.h"
#include "platform/files/detail/path_names.h"
#include "platform/files/detail/signal_cleanup.h"
#include "platform/files/detail/temporary_names.h"
#include "platform/files/linux/leftover_name.h"
#include "platform/files/linux/linux_file_system.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

namespace purgix::platform {

namespace {

constexpr int kNameAttempts = 100;

// Errors with which a file system says it has no unnamed files.
bool unnamedUnsupported(int errorNumber)
{
    return errorNumber == EOPNOTSUPP || errorNumber == EISDIR || errorNumber == EINVAL ||
           errorNumber == ENOSYS;
}

} // namespace

TemporaryFile::TemporaryFile(FileSystem& fileSystem, NativeHandle folder, std::string folderPath,
                             std::string_view prefix, bool forLockedFile, std::string security)
    : m_fileSystem(fileSystem), m_folder(folder == noHandle() ? AT_FDCWD : folder),
      m_folderPath(std::move(folderPath)), m_prefix(prefix)
{
    // Without O_EXCL, so that the file can still be given a name.
    m_file = NativeFile(fileSystem,
                        fileSystem.open(m_folder, nameInFolder("."), O_TMPFILE | O_RDWR, 0600));
    m_creationError = m_file.isOpen() ? 0 : errno;
    if (!m_file.isOpen() && unnamedUnsupported(m_creationError)) {
        create(forLockedFile, security);
    }
}

TemporaryFile::~TemporaryFile()
{
    if (!m_name.empty() && !m_moved) {
        m_fileSystem.unlink(m_folder, nameInFolder(m_name));
    }
}

bool TemporaryFile::create(bool forLockedFile, const std::string&)
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string name =
            m_prefix + (forLockedFile && attempt == 0 ? std::string(kRenamingPart) : randomName());
        m_file = NativeFile(m_fileSystem, m_fileSystem.open(m_folder, nameInFolder(name),
                                                            O_RDWR | O_CREAT | O_EXCL, 0600));
        if (m_file.isOpen()) {
            m_name = std::move(name);
            watchName();
            m_creationError = 0;
            return true;
        }
        m_creationError = errno;
        if (m_creationError != EEXIST) {
            return false;
        }
    }
    return false;
}

std::string TemporaryFile::nameInFolder(const std::string& name) const
{
    if (m_folder != AT_FDCWD) {
        return name;
    }
    return name == "." ? m_folderPath : joinPath(m_folderPath, name);
}

void TemporaryFile::watchName()
{
    m_removalOnSignal = std::make_unique<RemovalOnSignal>(joinPath(m_folderPath, m_name));
}

int TemporaryFile::giveName()
{
    for (int attempt = 0; m_name.empty() && attempt < kNameAttempts; ++attempt) {
        std::string name = m_prefix + randomName();
        if (m_fileSystem.linkOpenFile(handle(), m_folder, nameInFolder(name)) == 0) {
            m_name = std::move(name);
            watchName();
        } else if (errno != EEXIST) {
            return errno;
        }
    }
    return m_name.empty() ? EEXIST : 0;
}

int TemporaryFile::dropName()
{
    if (m_name.empty()) {
        return 0;
    }
    if (m_fileSystem.unlink(m_folder, nameInFolder(m_name)) != 0) {
        return errno;
    }
    m_name.clear();
    m_removalOnSignal.reset();
    return 0;
}

int TemporaryFile::nameAs(const std::string& name)
{
    const int result = m_name.empty()
                           ? m_fileSystem.linkOpenFile(handle(), m_folder, nameInFolder(name))
                           : m_fileSystem.rename(m_folder, nameInFolder(m_name), nameInFolder(name),
                                                 RENAME_NOREPLACE);
    if (result != 0) {
        return errno;
    }
    m_name = name;
    watchName();
    return 0;
}

int TemporaryFile::nameToKeep()
{
    if (!m_name.ends_with(kRenamingPart)) {
        return giveName();
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string name = m_prefix + randomName();
        if (m_fileSystem.rename(m_folder, nameInFolder(m_name), nameInFolder(name),
                                RENAME_NOREPLACE) == 0) {
            m_name = std::move(name);
            watchName();
            return 0;
        }
        if (errno != EEXIST) {
            return errno;
        }
    }
    return EEXIST;
}

std::string TemporaryFile::keep()
{
    m_moved = true;
    m_removalOnSignal.reset();
    return joinPath(m_folderPath, m_name);
}

// A run that waits for the lock on the file takes the new file once it stands at the
// path: it must wait on, until the lines still carried over have reached it. The
// unnamed file is first named so that SIGKILL between the two steps leaves it under a
// fixed name, which the next run removes; a signal that can be held back waits.
TemporaryFile::MoveOutcome TemporaryFile::moveOver(const FileLocation& destination,
                                                   const FileStatus* replaced, NativeFile&)
{
    m_fileSystem.lock(handle(), LOCK_EX);
    const SignalBlock block;
    if (m_name.empty() && replaced != nullptr) {
        const std::string name = renamingName(destination.name());
        if (m_fileSystem.linkOpenFile(handle(), m_folder, nameInFolder(name)) == 0) {
            m_name = name;
            watchName();
        } else if (errno != EEXIST) {
            return {errno};
        }
    }
    if (const int error = giveName(); error != 0) {
        return {error};
    }
    const MoveOutcome outcome =
        replaced != nullptr ? exchangeWith(destination, *replaced) : placeWhereNoneIs(destination);
    if (outcome.error == 0 && !outcome.foundAnother) {
        m_moved = true;
        m_removalOnSignal.reset();
    }
    return outcome;
}

// Exchanges the two files in one step, so that a file another program (an editor) put
// in the place of the one replaced since it was last looked at is never overwritten: what
// comes out must be the file replaced, or it goes back. Where the file system cannot
// exchange, a rename has to do.
TemporaryFile::MoveOutcome TemporaryFile::exchangeWith(const FileLocation& destination,
                                                       const FileStatus& replaced)
{
    const std::string name = nameInFolder(m_name);
    if (m_fileSystem.rename(m_folder, name, destination.name(), RENAME_EXCHANGE) != 0) {
        if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
            return {errno};
        }
        return {m_fileSystem.rename(m_folder, name, destination.name(), 0) == 0 ? 0 : errno};
    }
    struct stat out = {};
    const bool another = m_fileSystem.stat(m_folder, name, out, AT_SYMLINK_NOFOLLOW) == 0 &&
                         (out.st_dev != replaced.volume || out.st_ino != replaced.index);
    if (another) {
        if (m_fileSystem.rename(m_folder, name, destination.name(), RENAME_EXCHANGE) == 0) {
            return {0, true};
        }
        // The other file cannot go back: it keeps this file's name, and is never removed.
        const int error = errno;
        m_moved = true;
        m_removalOnSignal.reset();
        return {error};
    }
    // The replaced file now has this file's name: it goes, or the next run removes it.
    m_fileSystem.unlink(m_folder, name);
    return {};
}

// RENAME_NOREPLACE: a file someone made meanwhile where none was stays.
TemporaryFile::MoveOutcome TemporaryFile::placeWhereNoneIs(const FileLocation& destination)
{
    const std::string name = nameInFolder(m_name);
    if (m_fileSystem.rename(m_folder, name, destination.name(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    if (errno == EEXIST) {
        return {0, true};
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        return {errno};
    }
    return {m_fileSystem.rename(m_folder, name, destination.name(), 0) == 0 ? 0 : errno};
}

int TemporaryFile::replace(const FileLocation& destination)
{
    if (const int error = giveName(); error != 0) {
        return error;
    }
    if (m_fileSystem.rename(m_folder, nameInFolder(m_name), nameInFolder(destination.name()), 0) !=
        0) {
        return errno;
    }
    m_moved = true;
    m_removalOnSignal.reset();
    return 0;
}

// The file is public now, and others may append to it too, so the bytes go on at its end
// in a single write through the descriptor it was made with.
int TemporaryFile::appendAfterMove(const FileLocation&, std::string_view bytes,
                                   const Privileges& privileges)
{
    if (m_fileSystem.appendOnly(handle()) != 0) {
        return errno;
    }
    FileSink sink(m_fileSystem, handle());
    if (const int error = writeAll(sink, bytes); error != 0) {
        return error;
    }
    if (const int error = restorePrivileges(m_fileSystem, handle(), privileges); error != 0) {
        return error;
    }
    return flushFile(m_fileSystem, handle());
}

} // namespace purgix::platform
