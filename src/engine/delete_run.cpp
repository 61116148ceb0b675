#include "engine/delete_run.h"

#include "engine/detail/limited_filter.h"
#include "engine/detail/overflow_limit.h"
#include "engine/detail/watched_source.h"
#include "engine/line_filter.h"
#include "engine/run_messages.h"
#include "platform/files/file_system.h"
#include "platform/files/save_file.h"
#include "platform/files/source_file.h"
#include "platform/files/temporary_folder.h"

#include <cerrno>
#include <new>
#include <optional>

namespace purgix::engine {

namespace {

using platform::FileError;
using platform::SaveFile;

FilterStreams streamsOf(SaveFile& file, WatchedSource& original, const DeleteRunOptions& options)
{
    return {original,
            file.content(),
            options.deletedLines,
            [&file](int error) { return file.readError(error); },
            [&file](int error) { return file.writeError(error); },
            deletedLinesError};
}

// The run once the file is open: one scan for all slots, within the limit (see
// filterWithinLimit). A run that would write the file back as it is leaves it alone. A
// stop requested before the commit leaves it alone too. `changed` says whether the file
// was replaced.
DeleteRunOutcome filterAndCommit(SaveFile& file, const std::string& path, const Targets& slots,
                                 const DeleteRunOptions& options, bool& changed)
{
    WatchedSource original(file.original(), options.control);
    FilterStreams streams = streamsOf(file, original, options);
    const LimitedFilterResult pass =
        filterWithinLimit(streams, slots, options.noLimit, options.bufferSize);
    if (original.stopped()) {
        return cancelledOutcome(path);
    }
    if (pass.failure) {
        return failedOutcome(*pass.failure);
    }
    if (pass.overflow && allSlotsEmpty(pass.applied)) {
        return failedOutcome(std::string(kOverflowMessage));
    }
    if (pass.counts.sameAsSource) {
        // Nothing to change: the file, its time and its inode stay as they are.
        return pass.overflow ? failedOutcome(std::string(kOverflowMessage)) : deletedOutcome(0);
    }
    const Targets& applied = pass.applied;
    const LineEnds lineEnds = pass.counts.lineEnds;
    // Lines carried over from appends count towards the limit like the others. Once they
    // would pass it, appended lines are carried as they are and the run reports the
    // overflow: the file may already stand replaced, and no line may be lost.
    SlotCounts dropped = pass.counts.droppedPerSlot;
    bool carriedPastLimit = false;
    const platform::CarryOver carryOver = [&](platform::ByteSource& appended,
                                              platform::ByteSink& content) {
        const std::int64_t from = appended.offset();
        const std::int64_t length = content.length();
        const std::int64_t deletedLength = streams.deleted ? streams.deleted->length() : 0;
        const Targets& carrying = carriedPastLimit ? Targets{} : applied;
        FilterResult more =
            filterAppendedLines(appended, content, carrying, lineEnds, streams.deleted);
        SlotCounts total = dropped;
        for (int slot = 0; slot < kTargetCount; ++slot) {
            total[slot] += more.droppedPerSlot[slot];
        }
        if (more.failure == FilterResult::Failure::None && !options.noLimit &&
            findOverflowSlot(total, applied)) {
            carriedPastLimit = true;
            if (!appended.rewindTo(from)) {
                return std::optional(file.readError(errno));
            }
            if (!content.cutBack(length)) {
                return std::optional(file.writeError(errno));
            }
            if (streams.deleted != nullptr && !streams.deleted->cutBack(deletedLength)) {
                return std::optional(deletedLinesError(errno));
            }
            more = filterAppendedLines(appended, content, Targets{}, lineEnds);
            total = dropped;
        }
        dropped = total;
        return failureOf(more, streams);
    };
    if (options.control != nullptr && options.control->stopRequested()) {
        return cancelledOutcome(path);
    }
    if (std::optional<FileError> failure = file.commit(carryOver)) {
        return failedOutcome(*failure);
    }
    changed = true;
    if (pass.overflow || carriedPastLimit) {
        return failedOutcome(std::string(kOverflowMessage));
    }
    return deletedOutcome(droppedLines(dropped, applied));
}

platform::LockWait lockWaitOf(const DeleteRunOptions& options)
{
    platform::LockWait lockWait = options.lockWait;
    if (options.control != nullptr) {
        lockWait.stopped = [control = options.control] { return control->stopRequested(); };
    }
    return lockWait;
}

// What a failed open says: a stop requested while waiting for the lock cancels the run.
DeleteRunOutcome openFailedOutcome(const FileError& failure, const std::string& path,
                                   const DeleteRunOptions& options)
{
    if (options.control != nullptr && options.control->stopRequested()) {
        return cancelledOutcome(path);
    }
    return failedOutcome(failure);
}

// Reads the file under its lock and counts what a run would delete; nothing else is
// opened or created. `changed` says whether a run would change the file.
DeleteRunOutcome countWithin(platform::FileSystem& fileSystem, const std::string& path,
                             const Targets& slots, const DeleteRunOptions& options, bool& changed)
{
    platform::SourceFile file(fileSystem, path);
    if (std::optional<FileError> failure = file.openLocked("open", lockWaitOf(options))) {
        return openFailedOutcome(*failure, path, options);
    }
    WatchedSource source(file.source(), options.control);
    DiscardingSink content;
    FilterStreams streams{source,
                          content,
                          options.deletedLines,
                          [&path](int error) { return FileError::cannot("read", path, error); },
                          [&path](int error) { return FileError::cannot("write", path, error); },
                          deletedLinesError};
    const LimitedFilterResult pass =
        filterWithinLimit(streams, slots, options.noLimit, options.bufferSize);
    if (source.stopped()) {
        return cancelledOutcome(path);
    }
    if (pass.failure) {
        return failedOutcome(*pass.failure);
    }
    changed = !allSlotsEmpty(pass.applied) && !pass.counts.sameAsSource;
    if (pass.overflow) {
        return failedOutcome(std::string(kOverflowMessage));
    }
    return wouldDeleteOutcome(droppedLines(pass.counts.droppedPerSlot, pass.applied));
}

DeleteRunOutcome runDeleteWithin(const std::string& path, const Targets& slots,
                                 const DeleteRunOptions& options, bool& changed)
{
    platform::FileSystem& fileSystem =
        options.fileSystem != nullptr ? *options.fileSystem : platform::systemFileSystem();
    if (options.countOnly) {
        return allSlotsEmpty(slots) ? wouldDeleteOutcome(0)
                                    : countWithin(fileSystem, path, slots, options, changed);
    }
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
    file.setLockWait(lockWaitOf(options));
    if (!options.backupSuffix.empty()) {
        file.setBackup(path + options.backupSuffix);
    }
    if (std::optional<FileError> failure = file.open()) {
        return openFailedOutcome(*failure, path, options);
    }
    if (options.control != nullptr) {
        options.control->setFileSize(file.originalSize());
    }
    DeleteRunOutcome outcome = filterAndCommit(file, path, slots, options, changed);
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
    platform::ByteSink* deleted = options.deletedLines;
    const std::int64_t deletedStart = deleted != nullptr ? deleted->length() : 0;
    bool changed = false;
    DeleteRunOutcome outcome;
    try {
        outcome = runDeleteWithin(path, slots, options, changed);
    } catch (const std::bad_alloc&) {
        outcome =
            failedOutcome(FileError::cannot("filter", path, std::string("not enough memory")));
    }
    if (deleted != nullptr && !changed && !deleted->cutBack(deletedStart)) {
        return failedOutcome(deletedLinesError(errno));
    }
    return outcome;
}

} // namespace purgix::engine
