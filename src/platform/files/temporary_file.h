#pragma once

#include "file_descriptor.h"

#include <string>
#include <string_view>

namespace purgix::platform {

class FileSystem;

// The temporary folder: $TMPDIR when it is set and not empty, otherwise /tmp.
std::string temporaryFolderPath();

// The prefix of a temporary file beside `path`: ".<name>.", so that a leftover after a
// crash is hidden and still shows which file it belongs to.
std::string besideFilePrefix(const std::string& path);

// A new file "<folder>/<prefix>XXXXXX", created exclusively with mode 0600 so that nobody
// can plant a file or a link under its name. It is only ever used through the
// descriptor it was created with, and it is removed when the object goes, unless it was
// moved over its destination.
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
    const std::string& path() const { return m_path; }
    const std::string& folder() const { return m_folder; }

    // Empties the file and puts its offset back at 0. Returns 0 or an errno value.
    int rewind();

    // Renames the file over `destination`; from then on it is no longer removed.
    // Returns 0 or an errno value.
    int moveOver(const std::string& destination);

private:
    FileSystem& m_fileSystem;
    std::string m_folder;
    std::string m_path;
    FileDescriptor m_fd;
    int m_creationError = 0;
    bool m_moved = false;
};

} // namespace purgix::platform
