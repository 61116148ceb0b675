#pragma once

#include "core/targets.h"
#include "engine/run_control.h"
#include "platform/files/byte_stream.h"
#include "platform/files/file_error.h"
#include "platform/files/file_system.h"
#include "platform/files/locked_file.h"

#include <cstddef>
#include <optional>
#include <string>

namespace purgix::engine {

struct DeleteRunOptions
{
    // File layer to work through; the real file system when null.
    platform::FileSystem* fileSystem = nullptr;
    // Scan buffer size in bytes; 0 picks the default. Tests use small buffers so that
    // lines and matches straddle block boundaries.
    std::size_t bufferSize = 0;
    // How long the run waits for another program that holds the file's lock.
    platform::LockWait lockWait;
    // Progress and stop requests from another thread; none when null.
    RunControl* control = nullptr;
    // Counts in 64 bits, so that a run may delete any number of lines; otherwise a run
    // that would delete more than 32,767 reports "Overflow", as the window does.
    bool noLimit = false;
    // Only reads the file, under its lock, and reports how many lines a run would delete:
    // nothing is created, and the file keeps its bytes, identity and times.
    bool countOnly = false;
    // Receives every line the run deletes, in file order, as it would have been written
    // had it been kept. What it holds stands when the file changed (or, counting only,
    // would change); otherwise it is cut back to where it was.
    platform::ByteSink* deletedLines = nullptr;
    // Unless empty, the file's old content is kept under its path with this added (see
    // SaveFile::setBackup). A run that changes nothing leaves the file as it is, and so
    // makes no backup.
    std::string backupSuffix;
};

struct DeleteRunOutcome
{
    // True exactly when message is "N lines deleted." (counting only, "N lines would be
    // deleted.").
    bool succeeded = false;
    bool cancelled = false; // stopped on request before the file was touched
    std::string message;    // the text to show the user
    // What failed when the file itself could not be read, written or replaced.
    std::optional<platform::FileError> fileError;
    // What the user should learn besides the message, such as a rewrite that a killed run
    // left half done and this one finished first; empty when nothing.
    std::string notice;
};

// Removes from the file at `path` every line that contains the text of any non-empty
// slot and reports the result as the text to show.
[[nodiscard]] DeleteRunOutcome runDelete(const std::string& path, const Targets& slots,
                                         const DeleteRunOptions& options = {});

} // namespace purgix::engine
