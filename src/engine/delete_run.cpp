#include "engine/delete_run.h"

#include "engine/detail/overflow_limit.h"
#include "engine/detail/watched_source.h"
#include "engine/line_filter.h"
#include "engine/run_messages.h"
#include "platform/files/file_system.h"
#include "platform/files/save_file.h"
#include "platform/files/temporary_folder.h"

#include <cerrno>
#include <new>
#include <optional>

namespace purgix::engine {

namespace {

using platform::FileError;
using platform::SaveFile;

std::optional<FileError> failureOf(const FilterResult& result, const SaveFile& file)
{
    switch (result.failure) {
    case FilterResult::Failure::None:
        return std::nullopt;
    case FilterResult::Failure::Read:
        return file.readError(result.errorNumber);
    case FilterResult::Failure::Write:
        return file.writeError(result.errorNumber);
    }
    return std::nullopt;
}

// Filters the file again from its start with fewer slots.
std::optional<FileError> refilter(SaveFile& file, WatchedSource& original, const Targets& slots,
                                  std::size_t bufferSize, FilterResult& counts)
{
    if (!original.rewind()) {
        return file.readError(errno);
    }
    if (!file.content().cutBack(0)) {
        return file.writeError(errno);
    }
    counts = filterLines(original, file.content(), slots, bufferSize);
    return failureOf(counts, file);
}

// The run once the file is open: one scan for all slots; when that would overflow the
// line count, the slots before the overflowing one stay applied, as if each had had a
// pass of its own, and the run reports the overflow. A run that would write the file back
// as it is leaves it alone. A stop requested before the commit leaves it alone too.
DeleteRunOutcome filterAndCommit(SaveFile& file, const std::string& path, const Targets& slots,
                                 const DeleteRunOptions& options)
{
    const std::size_t bufferSize = options.bufferSize;
    WatchedSource original(file.original(), options.control);
    FilterResult counts = filterLines(original, file.content(), slots, bufferSize);
    if (original.stopped()) {
        return cancelledOutcome(path);
    }
    if (std::optional<FileError> failure = failureOf(counts, file)) {
        return failedOutcome(*failure);
    }
    const std::optional<int> overflowSlot = findOverflowSlot(counts.droppedPerSlot, slots);
    const Targets applied = overflowSlot ? slotsBefore(slots, *overflowSlot) : slots;
    if (overflowSlot) {
        if (allSlotsEmpty(applied)) {
            return failedOutcome(std::string(kOverflowMessage));
        }
        std::optional<FileError> failure = refilter(file, original, applied, bufferSize, counts);
        if (original.stopped()) {
            return cancelledOutcome(path);
        }
        if (failure) {
            return failedOutcome(*failure);
        }
    }
    if (counts.sameAsSource) {
        // Nothing to change: the file, its time and its inode stay as they are.
        return overflowSlot ? failedOutcome(std::string(kOverflowMessage)) : deletedOutcome(0);
    }
    // Lines carried over from appends count towards the limit like the others. Once they
    // would pass it, appended lines are carried as they are and the run reports the
    // overflow: the file may already stand replaced, and no line may be lost.
    SlotCounts dropped = counts.droppedPerSlot;
    bool carriedPastLimit = false;
    const platform::CarryOver carryOver = [&](platform::ByteSource& appended,
                                              platform::ByteSink& content) {
        const std::int64_t from = appended.offset();
        const std::int64_t length = content.length();
        const Targets& carrying = carriedPastLimit ? Targets{} : applied;
        FilterResult more = filterAppendedLines(appended, content, carrying, counts.lineEnds);
        SlotCounts total = dropped;
        for (int slot = 0; slot < kTargetCount; ++slot) {
            total[slot] += more.droppedPerSlot[slot];
        }
        if (more.failure == FilterResult::Failure::None && findOverflowSlot(total, applied)) {
            carriedPastLimit = true;
            if (!appended.rewindTo(from)) {
                return std::optional(file.readError(errno));
            }
            if (!content.cutBack(length)) {
                return std::optional(file.writeError(errno));
            }
            more = filterAppendedLines(appended, content, Targets{}, counts.lineEnds);
            total = dropped;
        }
        dropped = total;
        return failureOf(more, file);
    };
    if (options.control != nullptr && options.control->stopRequested()) {
        return cancelledOutcome(path);
    }
    if (std::optional<FileError> failure = file.commit(carryOver)) {
        return failedOutcome(*failure);
    }
    if (overflowSlot || carriedPastLimit) {
        return failedOutcome(std::string(kOverflowMessage));
    }
    return deletedOutcome(droppedLines(dropped, applied));
}

DeleteRunOutcome runDeleteWithin(const std::string& path, const Targets& slots,
                                 const DeleteRunOptions& options)
{
    platform::FileSystem& fileSystem =
        options.fileSystem != nullptr ? *options.fileSystem : platform::systemFileSystem();
    const std::string tempFolder = platform::temporaryFolderPath();
    switch (platform::checkTemporaryFolder(fileSystem, tempFolder)) {
    case platform::TemporaryFolder::Usable:
        break;
    case platform::TemporaryFolder::NotAFolder:
        return failedOutcome(std::string(kTempPathMessage));
    case platform::TemporaryFolder::NoNewFile:
        return failedOutcome(std::string(kTempNameMessage));
    }
    if (allSlotsEmpty(slots)) {
        return deletedOutcome(0);
    }
    SaveFile file(fileSystem, path, SaveFile::Use::Replace, tempFolder);
    platform::LockWait lockWait = options.lockWait;
    if (options.control != nullptr) {
        lockWait.stopped = [control = options.control] { return control->stopRequested(); };
    }
    file.setLockWait(lockWait);
    if (!options.backupSuffix.empty()) {
        file.setBackup(path + options.backupSuffix);
    }
    if (std::optional<FileError> failure = file.open()) {
        if (options.control != nullptr && options.control->stopRequested()) {
            return cancelledOutcome(path);
        }
        return failedOutcome(*failure);
    }
    if (options.control != nullptr) {
        options.control->setFileSize(file.originalSize());
    }
    DeleteRunOutcome outcome = filterAndCommit(file, path, slots, options);
    if (outcome.cancelled) {
        options.control->markStopped();
    }
    outcome.notice = file.notice();
    return outcome;
}

} // namespace

DeleteRunOutcome runDelete(const std::string& path, const Targets& slots,
                           const DeleteRunOptions& options)
{
    // Memory stays bounded whatever the file, but the system may still refuse the little
    // the run needs; the file is then left as it was, and the user is told.
    try {
        return runDeleteWithin(path, slots, options);
    } catch (const std::bad_alloc&) {
        return failedOutcome(FileError::cannot("filter", path, std::string("not enough memory")));
    }
}

} // namespace purgix::engine
