#include "temporary_file.h"

#include "file_system.h"
#include "path_names.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace purgix::platform {

namespace {

constexpr int kNameAttempts = 100;

// Six letters or digits for a name that no one can guess ahead.
std::string randomSuffix()
{
    static constexpr std::string_view kAlphabet =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device device;
    std::string suffix;
    for (int i = 0; i < 6; ++i) {
        suffix += kAlphabet[device() % kAlphabet.size()];
    }
    return suffix;
}

// Errors with which a file system says it has no unnamed files.
bool unnamedUnsupported(int errorNumber)
{
    return errorNumber == EOPNOTSUPP || errorNumber == EISDIR || errorNumber == EINVAL ||
           errorNumber == ENOSYS;
}

} // namespace

std::string temporaryFolderPath()
{
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? std::string(folder) : std::string("/tmp");
}

TemporaryFolder checkTemporaryFolder(FileSystem& fileSystem, const std::string& folder)
{
    struct stat status = {};
    if (fileSystem.stat(folder, status) != 0 || !S_ISDIR(status.st_mode)) {
        return TemporaryFolder::NotAFolder;
    }
    const TemporaryFile probe(fileSystem, folder, "tmp");
    return probe.isOpen() ? TemporaryFolder::Usable : TemporaryFolder::NoNewFile;
}

std::string besideFilePrefix(const std::string& path)
{
    // Leaves room for the dots and the six unique characters within NAME_MAX.
    constexpr std::size_t kMaxNameInPrefix = 200;
    std::string prefix = ".";
    prefix += baseName(path).substr(0, kMaxNameInPrefix);
    prefix += '.';
    return prefix;
}

std::string renamingPath(const std::string& destination)
{
    return joinPath(parentFolder(destination), besideFilePrefix(destination) + "purgix-new");
}

void removeLeftoverRenaming(FileSystem& fileSystem, const std::string& destination)
{
    const std::string path = renamingPath(destination);
    struct stat status = {};
    if (fileSystem.stat(path, status) == 0 && S_ISREG(status.st_mode) &&
        status.st_uid == ::geteuid() && status.st_nlink == 1) {
        fileSystem.unlink(path);
    }
}

TemporaryFile::TemporaryFile(FileSystem& fileSystem, const std::string& folder,
                             std::string_view prefix)
    : m_fileSystem(fileSystem), m_folder(folder), m_prefix(prefix)
{
    if (!openUnnamed() && unnamedUnsupported(m_creationError)) {
        openNamed();
    }
}

TemporaryFile::~TemporaryFile()
{
    if (!m_path.empty() && !m_moved) {
        m_fileSystem.unlink(m_path);
    }
}

bool TemporaryFile::openUnnamed()
{
    // Without O_EXCL, so that the file can still be given a name.
    const int fd = m_fileSystem.open(m_folder, O_TMPFILE | O_RDWR, 0600);
    if (fd < 0) {
        m_creationError = errno;
        return false;
    }
    m_fd = FileDescriptor(m_fileSystem, fd);
    m_creationError = 0;
    return true;
}

bool TemporaryFile::openNamed()
{
    std::string path = joinPath(m_folder, m_prefix + "XXXXXX");
    const int fd = m_fileSystem.createUnique(path);
    if (fd < 0) {
        m_creationError = errno;
        return false;
    }
    m_fd = FileDescriptor(m_fileSystem, fd);
    m_path = std::move(path);
    m_removalOnSignal = std::make_unique<RemovalOnSignal>(m_path);
    m_creationError = 0;
    return true;
}

int TemporaryFile::giveName()
{
    for (int attempt = 0; m_path.empty() && attempt < kNameAttempts; ++attempt) {
        std::string path = joinPath(m_folder, m_prefix + randomSuffix());
        if (m_fileSystem.linkOpenFile(fd(), path) == 0) {
            m_path = std::move(path);
            m_removalOnSignal = std::make_unique<RemovalOnSignal>(m_path);
        } else if (errno != EEXIST) {
            return errno;
        }
    }
    return m_path.empty() ? EEXIST : 0;
}

int TemporaryFile::giveRenamingName(const std::string& destination)
{
    const std::string path = renamingPath(destination);
    if (m_fileSystem.linkOpenFile(fd(), path) == 0) {
        m_path = path;
        m_removalOnSignal = std::make_unique<RemovalOnSignal>(m_path);
        return 0;
    }
    return errno == EEXIST ? giveName() : errno;
}

const std::string& TemporaryFile::keep()
{
    m_moved = true;
    m_removalOnSignal.reset();
    return m_path;
}

int TemporaryFile::moveOver(const std::string& destination, bool destinationLocked)
{
    // A signal between naming and renaming would find a name to remove and none moved.
    const SignalBlock block;
    const int error =
        destinationLocked && m_path.empty() ? giveRenamingName(destination) : giveName();
    if (error != 0) {
        return error;
    }
    if (m_fileSystem.rename(m_path, destination) != 0) {
        return errno;
    }
    m_moved = true;
    m_removalOnSignal.reset();
    return 0;
}

} // namespace purgix::platform
