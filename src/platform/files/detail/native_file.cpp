#include "platform/files/detail/native_file.h"

#include "platform/files/detail/native_files.h"
#include "platform/files/detail/path_names.h"

#include <utility>

namespace purgix::platform {

NativeFile::NativeFile(NativeFile&& other) noexcept
    : m_fileSystem(other.m_fileSystem), m_handle(std::exchange(other.m_handle, noHandle()))
{
}

NativeFile& NativeFile::operator=(NativeFile&& other) noexcept
{
    if (this != &other) {
        reset();
        m_fileSystem = other.m_fileSystem;
        m_handle = std::exchange(other.m_handle, noHandle());
    }
    return *this;
}

void NativeFile::reset()
{
    if (isOpen()) {
        closeFile(*m_fileSystem, std::exchange(m_handle, noHandle()));
    }
}

bool isSameFile(const FileStatus& first, const FileStatus& second)
{
    return first.volume == second.volume && first.index == second.index;
}

bool isUnchanged(const FileStatus& before, const FileStatus& now)
{
    return isSameFile(before, now) && before.size == now.size && before.modified == now.modified;
}

std::string FileLocation::path() const
{
    return m_folderPath.empty() ? m_name : joinPath(m_folderPath, m_name);
}

} // namespace purgix::platform
