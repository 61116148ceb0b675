#pragma once

#include "file_descriptor.h"
#include "signal_cleanup.h"
#include "temporary_folder.h"

#include <memory>
#include <string>
#include <string_view>

namespace purgix::platform {

class FileSystem;

// The prefix of a temporary file beside `path`: ".<name>.", so that a file left by a
// power cut is hidden and still shows which file it belongs to.
std::string besideFilePrefix(const std::string& path);

// The name a new file takes just before it is renamed over `destination` by the one
// process that holds the lock on `destination`. SIGKILL, which nothing can catch, may
// end that process between the two steps and leave the file under this name; the next
// process to take the lock removes it (only a regular file of this user with no other
// name, so that nothing else is ever removed).
std::string renamingPath(const std::string& destination);
void removeLeftoverRenaming(FileSystem& fileSystem, const std::string& destination);

// A new file in `folder`, mode 0600, used only through the descriptor it was created
// with. Where the file system allows it the file has no name (O_TMPFILE) until it is
// moved over its destination, so nothing is left whatever ends the process; elsewhere it
// is "<folder>/<prefix>XXXXXX", created exclusively so that nobody can plant a file or
// a link under its name, and removed when the object goes or a signal ends the process.
class TemporaryFile
{
public:
    TemporaryFile(FileSystem& fileSystem, const std::string& folder, std::string_view prefix);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool isOpen() const { return m_fd.isOpen(); }
    int creationError() const { return m_creationError; } // errno when !isOpen()
    int fd() const { return m_fd.get(); }
    const std::string& folder() const { return m_folder; }

    // Gives the file a name in its folder, if it has none, so that it outlives a crash.
    // Returns 0 or an errno value.
    int giveName();

    // Leaves the named file where it is when the object goes; returns its path.
    const std::string& keep();

    // Renames the file over `destination`; from then on it is no longer removed. A file
    // without a name is first named renamingPath(destination) when the caller holds the
    // lock on `destination`, else a unique name. Returns 0 or an errno value.
    int moveOver(const std::string& destination, bool destinationLocked);

private:
    bool openUnnamed();
    bool openNamed();
    int giveRenamingName(const std::string& destination);

    FileSystem& m_fileSystem;
    std::string m_folder;
    std::string m_prefix;
    std::string m_path; // empty while the file has no name
    FileDescriptor m_fd;
    std::unique_ptr<RemovalOnSignal> m_removalOnSignal;
    int m_creationError = 0;
    bool m_moved = false;
};

} // namespace purgix::platform
