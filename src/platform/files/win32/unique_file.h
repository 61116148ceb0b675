#pragma once

#include "console_cleanup.h"
#include "file_handle.h"

#include <memory>
#include <string>

namespace purgix::platform {

class FileSystem;

// A new, empty file named "<folder>\.<name>.XXXXXX" beside the file it is meant to
// replace, created exclusively so that nobody can plant a file under its name. Until
// keepOnClose() the system removes it when its handle closes, so that nothing is left
// even when the process is terminated; it is also removed when the object goes, unless
// it was moved into its destination's place, and when Ctrl+C or closing the console
// ends the process.
class UniqueFile
{
public:
    UniqueFile(FileSystem& fileSystem, const std::string& folder, const std::string& name);
    ~UniqueFile();
    UniqueFile(const UniqueFile&) = delete;
    UniqueFile& operator=(const UniqueFile&) = delete;

    bool isOpen() const { return m_handle.isOpen(); }
    int creationError() const { return m_creationError; } // Win32 code when !isOpen()
    HANDLE handle() const { return m_handle.get(); }
    const std::string& path() const { return m_path; }

    // Lets the file outlive its handle, as it must to be moved into place; false, with
    // the reason in GetLastError(), if the system did not take the mark back.
    bool keepOnClose();
    // Closes the file, which stays, once kept, until moved or the object goes.
    void close() { m_handle.reset(); }
    // The file now stands in another's place and is no longer removed.
    void markMoved()
    {
        m_moved = true;
        m_removalOnClose.reset();
    }

private:
    FileSystem& m_fileSystem;
    std::string m_path;
    FileHandle m_handle;
    std::unique_ptr<RemovalOnConsoleClose> m_removalOnClose;
    int m_creationError = 0;
    bool m_moved = false;
    bool m_removedOnClose = false;
};

} // namespace purgix::platform
