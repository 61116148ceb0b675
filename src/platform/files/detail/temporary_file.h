#pragma once

#include "platform/files/detail/native_file.h"
#include "platform/files/detail/native_files.h"
#include "platform/files/temporary_folder.h"

#include <memory>
#include <string>
#include <string_view>

namespace purgix::platform {

class RemovalOnSignal;

// A new file in a folder, readable and writable by this user only, used through the
// handle it was created with. On Linux, where the file system allows it, the file has no
// name (O_TMPFILE) until it is moved over its destination, so nothing is left whatever
// ends the process; elsewhere it is "<folder>/<prefix>XXXXXX", created exclusively so
// that nobody can plant a file or a link under its name, and removed when the object
// goes, or when a signal (on Windows, a console event) ends the process.
class TemporaryFile
{
public:
    // `folder` is the folder held open, or noHandle() to name it by `folderPath`, which
    // messages show in any case. A file that must have a name from the start, and will
    // replace a file whose lock this process holds, is given the fixed name that the next
    // run on that file removes should this one be killed (`forLockedFile`). On Windows a
    // file made with `security` (copySecurity()) has that instead of its folder's default.
    TemporaryFile(FileSystem& fileSystem, NativeHandle folder, std::string folderPath,
                  std::string_view prefix, bool forLockedFile = false, std::string security = {});
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool isOpen() const { return m_file.isOpen(); }
    int creationError() const { return m_creationError; } // when !isOpen()
    NativeHandle handle() const { return m_file.get(); }
    const std::string& folder() const { return m_folderPath; }

    // Gives the file a name in its folder, if it has none, so that it outlives a crash.
    // Returns 0 or an error number.
    [[nodiscard]] int giveName();

    // Takes the file's name away, where it has one, so that nothing is left however the
    // process ends; the file lives on through its handle. Returns 0 or an error number.
    [[nodiscard]] int dropName();

    // Gives the file a name of its own that no later run removes, as a copy that must
    // outlive a crash needs. Returns 0 or an error number.
    [[nodiscard]] int nameToKeep();

    // Gives the file the name `name` in its folder, which no other file may have. Returns
    // 0 or an error number.
    [[nodiscard]] int nameAs(const std::string& name);

    // Leaves the named file where it is when the object goes; returns its path.
    std::string keep();

    struct MoveOutcome
    {
        int error = 0; // or an error number
        // Another file than the one to replace stood at the destination (or one stood
        // where none was): it was left there, and this file was not moved.
        bool foundAnother = false;
    };

    // Puts the file in `destination`'s place; from then on it is no longer removed.
    // `replaced`: the file it replaces, which this process holds locked and open in
    // `replacedFile` (a system that cannot rename over an open file closes it); none when
    // no file stood there.
    [[nodiscard]] MoveOutcome moveOver(const FileLocation& destination, const FileStatus* replaced,
                                       NativeFile& replacedFile);

    // Puts the file in the place of `destination`, in its folder, in one step, whatever
    // stands there but a folder: a symbolic link is replaced, not followed. From then on it
    // is no longer removed. Returns 0 or an error number.
    [[nodiscard]] int replace(const FileLocation& destination);

    // Once moved: adds `bytes` at the end of the file that now stands at `destination`,
    // after whatever others append meanwhile, gives back what the write takes from it, and
    // flushes it. Returns 0 or an error number.
    [[nodiscard]] int appendAfterMove(const FileLocation& destination, std::string_view bytes,
                                      const Privileges& privileges);

private:
    bool create(bool forLockedFile, const std::string& security);
    void watchName();
    MoveOutcome exchangeWith(const FileLocation& destination, const FileStatus& replaced);
    MoveOutcome placeWhereNoneIs(const FileLocation& destination);
    // How the system calls name a file of the folder.
    std::string nameInFolder(const std::string& name) const;

    FileSystem& m_fileSystem;
    NativeHandle m_folder;
    std::string m_folderPath;
    std::string m_prefix;
    std::string m_name; // empty while the file has no name
    NativeFile m_file;
    std::unique_ptr<RemovalOnSignal> m_removalOnSignal;
    int m_creationError = 0;
    bool m_moved = false;
#ifdef _WIN32
    bool m_removedOnClose = false; // the system removes it when its handle closes
#endif
};

} // namespace purgix::platform
