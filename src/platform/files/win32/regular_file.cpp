#include "regular_file.h"

#include "win32_file_system.h"

namespace purgix::platform {

std::optional<FileError> openRegularFile(FileSystem& fileSystem, const std::string& path,
                                         std::string_view action, FileHandle& handle)
{
    const DWORD attributes = fileSystem.attributes(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return FileError::cannot(action, path, "it is a directory");
    }
    handle = FileHandle(
        fileSystem, fileSystem.createFile(path, GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          OPEN_EXISTING));
    if (!handle.isOpen()) {
        return FileError::cannot(action, path, static_cast<int>(::GetLastError()));
    }
    if (fileSystem.fileType(handle.get()) != FILE_TYPE_DISK) {
        handle.reset();
        return FileError::notRegular(path);
    }
    return std::nullopt;
}

} // namespace purgix::platform
