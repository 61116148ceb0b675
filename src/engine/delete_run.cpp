#include "delete_run.h"

#include "file_rewrite.h"
#include "file_system.h"
#include "overflow_limit.h"
#include "run_messages.h"
#include "temporary_file.h"

#include <sys/stat.h>

namespace purgix::engine {

DeleteRunOutcome runDelete(const std::string& path, const TargetSlots& slots,
                           const DeleteRunOptions& options)
{
    platform::FileSystem& fileSystem =
        options.fileSystem != nullptr ? *options.fileSystem : platform::systemFileSystem();
    const std::string tempFolder = platform::temporaryFolderPath();
    struct stat tempFolderStatus = {};
    if (fileSystem.stat(tempFolder, tempFolderStatus) != 0 || !S_ISDIR(tempFolderStatus.st_mode)) {
        return failedOutcome(std::string(kTempPathMessage));
    }
    platform::TemporaryFile tempFile(fileSystem, tempFolder, "tmp");
    if (!tempFile.isOpen()) {
        return failedOutcome(std::string(kTempNameMessage));
    }
    if (options.onTempFileReady) {
        options.onTempFileReady();
    }
    if (allSlotsEmpty(slots)) {
        return deletedOutcome(0);
    }
    return FileRewrite(fileSystem, path, slots, options.bufferSize, tempFile,
                       tempFolderStatus.st_dev)
        .run();
}

} // namespace purgix::engine
