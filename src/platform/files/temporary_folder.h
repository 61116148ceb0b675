#pragma once

#include "platform/files/file_system.h"

#include <string>

namespace purgix::platform {

// The system's temporary folder: on Linux $TMPDIR when it is set and not empty,
// otherwise /tmp; on Windows what GetTempPath2W (or GetTempPathW) reports.
std::string temporaryFolderPath();

enum class TemporaryFolder { Usable, NotAFolder, NoNewFile };

// Whether `folder` is a folder in which a new temporary file can be made; the file made
// to find out is gone again at once.
[[nodiscard]] TemporaryFolder checkTemporaryFolder(FileSystem& fileSystem,
                                                   const std::string& folder);

} // namespace purgix::platform
