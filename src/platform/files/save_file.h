#pragma once

#include "platform/files/byte_stream.h"
#include "platform/files/file_error.h"
#include "platform/files/file_system.h"
#include "platform/files/locked_file.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace purgix::platform {

// Filters what another program appended to the old file while it was being replaced
// (`appended` holds just those bytes) onto the end of the new content.
using CarryOver = std::function<std::optional<FileError>(ByteSource& appended, ByteSink& content)>;

// The one way Purgix replaces a file, for the delete run and the settings save alike:
// open, write the new content, commit (or let the object go, which discards it). At
// every moment the file holds its old content or the whole new one.
//
// open() resolves symbolic links (the link stays a link), locks the file against other
// runs, and refuses before anything is read what cannot be replaced. The new content then
// goes where the file can be replaced keeping what it is: owner, group, mode, ACLs and
// extended attributes, its hard links. Where a rename keeps all of that, it goes into a
// new file beside it, unnamed until the rename, which commit() flushes and renames over
// the file. Where a rename cannot (another user's file, a file with several names, one
// whose attributes this user cannot set, a folder that allows no new file), commit()
// first flushes the new content to a named file and then writes it over the file's own
// bytes, so that a complete copy exists until the file holds it.
class SaveFile
{
public:
    enum class Use {
        Replace, // an existing file, whose old content is read while the new is written
        Save,    // a file that may not exist yet; its old content is not read
    };

    // `stagingFolder` holds the new content of a file rewritten in place whose own
    // folder allows no new file.
    SaveFile(FileSystem& fileSystem, std::string path, Use use, std::string stagingFolder);
    ~SaveFile();
    SaveFile(const SaveFile&) = delete;
    SaveFile& operator=(const SaveFile&) = delete;

    // How long open() waits for another program that holds the file's lock.
    void setLockWait(LockWait wait);

    // For Use::Replace: commit() keeps the old content at `backupPath` (none when empty),
    // replacing what stands there (a symbolic link, not its target; a folder fails the
    // commit). Where the file is renamed over, the backup is the old file itself, under a
    // further name given just before the rename: same content, owner, permissions and times.
    // Where it is rewritten in place, or can have no further name there, it is a flushed copy
    // of the content, made before the first byte is written, that lets in nobody the file
    // does not, with the file's modification time. A backup that cannot be made leaves the
    // file as it is.
    void setBackup(std::string backupPath);

    [[nodiscard]] std::optional<FileError> open();

    // What the user should learn besides the outcome, such as a rewrite that a killed run
    // left half done and open() finished; empty when nothing.
    const std::string& notice() const;

    // After a successful open(): the old content (Use::Replace) and the new, and the old
    // content's size when it was opened.
    ByteSource& original();
    std::int64_t originalSize() const;
    ByteSink& content();

    // The failures of reading `original()` and of writing `content()`.
    FileError readError(int errorNumber) const;
    FileError writeError(int errorNumber) const;

    // Puts the new content in the file's place. Lines that others appended to the file
    // meanwhile go through `carryOver` (Use::Replace needs one) onto the new content;
    // any other change by someone else leaves the file alone.
    [[nodiscard]] std::optional<FileError> commit(const CarryOver& carryOver = {});

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace purgix::platform
