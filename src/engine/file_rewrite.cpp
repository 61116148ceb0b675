#include "file_rewrite.h"

#include "atomic_replace.h"
#include "error_text.h"
#include "file_system.h"
#include "overflow_limit.h"
#include "path_names.h"
#include "run_messages.h"

#include <cerrno>
#include <unistd.h>

namespace purgix::engine {

using platform::cannotText;
using platform::newContentText;

FileRewrite::FileRewrite(platform::FileSystem& fileSystem, const std::string& path,
                         const TargetSlots& slots, std::size_t bufferSize,
                         platform::TemporaryFile& tempFile, dev_t tempFolderDevice)
    : m_fileSystem(fileSystem), m_path(path), m_slots(slots), m_bufferSize(bufferSize),
      m_tempFolderDevice(tempFolderDevice), m_output(&tempFile)
{
}

DeleteRunOutcome FileRewrite::run()
{
    FilterResult counts;
    if (Failure failure = openAndScan(counts)) {
        return failedOutcome(*failure);
    }
    const std::optional<int> overflowSlot = findOverflowSlot(counts.droppedPerSlot, m_slots);
    if (!overflowSlot) {
        if (Failure failure = replace(m_slots)) {
            return failedOutcome(*failure);
        }
        return deletedOutcome(static_cast<int>(droppedLines(counts.droppedPerSlot, m_slots)));
    }
    // The slots before the overflowing one stay applied, as if each had had its own pass.
    const TargetSlots applied = slotsBefore(m_slots, *overflowSlot);
    if (allSlotsEmpty(applied)) {
        return failedOutcome(std::string(kOverflowMessage));
    }
    if (Failure failure = rescanAndReplace(applied)) {
        return failedOutcome(*failure);
    }
    return failedOutcome(std::string(kOverflowMessage));
}

FileRewrite::Failure FileRewrite::openAndScan(FilterResult& counts)
{
    if (Failure failure = openFile()) {
        return failure;
    }
    if (Failure failure = checkWritable()) {
        return failure;
    }
    if (Failure failure = chooseOutput()) {
        return failure;
    }
    return scan(m_slots, counts);
}

FileRewrite::Failure FileRewrite::openFile()
{
    const std::optional<std::string> resolved = platform::resolvedPath(m_fileSystem, m_path);
    if (!resolved) {
        return cannotText("open", m_path, errno);
    }
    m_target = *resolved;
    m_folder = platform::parentFolder(m_target);
    m_file = platform::openLockedRegularFile(m_fileSystem, m_target);
    switch (m_file.failure) {
    case platform::LockedFile::Failure::None:
        return std::nullopt;
    case platform::LockedFile::Failure::Open:
        return cannotText("open", m_path, m_file.errorNumber);
    case platform::LockedFile::Failure::Lock:
        return cannotText("lock", m_path, m_file.errorNumber);
    case platform::LockedFile::Failure::Directory:
        return cannotText("open", m_path, "it is a directory");
    case platform::LockedFile::Failure::NotRegular:
        return platform::notRegularFileText(m_path);
    case platform::LockedFile::Failure::KeptChanging:
        return platform::changedDuringRunText(m_path);
    }
    return std::nullopt;
}

FileRewrite::Failure FileRewrite::checkWritable() const
{
    return platform::replacementRefusal(m_fileSystem, m_target, m_file.status, m_path);
}

FileRewrite::Failure FileRewrite::chooseOutput()
{
    // A rename cannot cross file systems, so the new content is then written beside the
    // file straight away rather than copied there afterwards.
    struct stat folderStatus = {};
    if (m_fileSystem.stat(m_folder, folderStatus) == 0 &&
        folderStatus.st_dev != m_tempFolderDevice) {
        return useFileBesideTarget();
    }
    return std::nullopt;
}

FileRewrite::Failure FileRewrite::useFileBesideTarget()
{
    m_besideTarget.emplace(m_fileSystem, m_folder, platform::besideFilePrefix(m_target));
    if (!m_besideTarget->isOpen()) {
        return newContentText(m_path, m_folder, m_besideTarget->creationError());
    }
    m_output = &*m_besideTarget;
    return std::nullopt;
}

FileRewrite::Failure FileRewrite::scan(const TargetSlots& applied, FilterResult& counts)
{
    counts = filterLines(m_fileSystem, m_file.fd.get(), m_output->fd(), applied, m_bufferSize);
    switch (counts.failure) {
    case FilterResult::Failure::None:
        return std::nullopt;
    case FilterResult::Failure::Read:
        return cannotText("read", m_path, counts.errorNumber);
    case FilterResult::Failure::Write:
        return newContentText(m_path, m_output->folder(), counts.errorNumber);
    }
    return std::nullopt;
}

FileRewrite::Failure FileRewrite::rescan(const TargetSlots& applied)
{
    if (m_fileSystem.seek(m_file.fd.get(), 0, SEEK_SET) != 0) {
        return cannotText("read", m_path, errno);
    }
    if (const int error = m_output->rewind(); error != 0) {
        return newContentText(m_path, m_output->folder(), error);
    }
    FilterResult counts;
    return scan(applied, counts);
}

FileRewrite::Failure FileRewrite::rescanAndReplace(const TargetSlots& applied)
{
    if (Failure failure = rescan(applied)) {
        return failure;
    }
    return replace(applied);
}

FileRewrite::Failure FileRewrite::replace(const TargetSlots& applied)
{
    const int fd = m_output->fd();
    if (const int error = platform::finishNewContent(m_fileSystem, fd, m_file.status)) {
        return newContentText(m_path, m_output->folder(), error);
    }
    // Another writer's content must not be overwritten with a result computed from the
    // content it replaced.
    struct stat current = {};
    if (m_fileSystem.stat(m_target, current) != 0) {
        return cannotText("replace", m_path, errno);
    }
    if (!platform::isUnchanged(m_file.status, current)) {
        return platform::changedDuringRunText(m_path);
    }
    const int error = m_output->moveOver(m_target);
    if (error == EXDEV && !m_besideTarget) {
        if (Failure failure = useFileBesideTarget()) {
            return failure;
        }
        return rescanAndReplace(applied);
    }
    if (error != 0) {
        return cannotText("replace", m_path, error);
    }
    platform::syncFolder(m_fileSystem, m_folder);
    return std::nullopt;
}

} // namespace purgix::engine
