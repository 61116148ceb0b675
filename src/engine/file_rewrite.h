#pragma once

#include "delete_run.h"
#include "line_filter.h"
#include "locked_file.h"
#include "target_slots.h"
#include "temporary_file.h"

#include <cstddef>
#include <optional>
#include <string>
#include <sys/types.h>

namespace purgix::engine {

// The part of a delete run that reads and replaces the user's file, once the run's
// temporary file exists and at least one slot is in use. The file is locked from
// before it is read until it has been replaced, and it is replaced by one atomic
// rename: on any failure it keeps its old content.
class FileRewrite
{
public:
    // `tempFile` lives in the temporary folder, whose device is `tempFolderDevice`;
    // it and `slots` must outlive the object.
    FileRewrite(platform::FileSystem& fileSystem, const std::string& path, const TargetSlots& slots,
                std::size_t bufferSize, platform::TemporaryFile& tempFile, dev_t tempFolderDevice);

    DeleteRunOutcome run();

private:
    // The description of a failure, or nothing when the step succeeded.
    using Failure = std::optional<std::string>;

    Failure openAndScan(FilterResult& counts);
    Failure openFile();
    Failure checkWritable() const;
    Failure chooseOutput();
    Failure useFileBesideTarget();
    Failure scan(const TargetSlots& applied, FilterResult& counts);
    Failure rescan(const TargetSlots& applied);
    Failure rescanAndReplace(const TargetSlots& applied);
    Failure replace(const TargetSlots& applied);

    platform::FileSystem& m_fileSystem;
    std::string m_path;   // as the user gave it, for messages
    std::string m_target; // with symbolic links resolved: the file that is replaced
    std::string m_folder; // the folder of m_target
    const TargetSlots& m_slots;
    std::size_t m_bufferSize;
    dev_t m_tempFolderDevice;
    platform::LockedFile m_file;
    std::optional<platform::TemporaryFile> m_besideTarget;
    platform::TemporaryFile* m_output;
};

} // namespace purgix::engine
