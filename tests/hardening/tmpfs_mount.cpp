#include "hardening/tmpfs_mount.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace purgix::test {

TmpfsMount::TmpfsMount(const std::filesystem::path& folder, std::size_t sizeBytes)
    : m_folder(folder)
{
    std::filesystem::create_directories(folder);
    const std::string options = "size=" + std::to_string(sizeBytes);
    if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
        m_failure = "cannot mount a tmpfs on " + folder.string() + ": " + std::strerror(errno) +
                    " (needs root)";
        return;
    }
    m_mounted = true;
}

TmpfsMount::~TmpfsMount()
{
    if (m_mounted && ::umount2(m_folder.c_str(), MNT_DETACH) != 0) {
        ADD_FAILURE() << "cannot unmount " << m_folder << ": " << std::strerror(errno);
    }
}

void TmpfsMount::fillLeaving(std::size_t freeBytes) const
{
    struct statvfs status = {};
    ASSERT_EQ(::statvfs(m_folder.c_str(), &status), 0);
    const std::size_t available = status.f_bavail * status.f_frsize;
    ASSERT_GE(available, freeBytes) << "the file system is already too full";
    const std::string filler = (m_folder / "filler").string();
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    const std::string block(4096, 'f');
    std::size_t written = 0;
    while (written + block.size() <= available - freeBytes) {
        const ssize_t count = ::write(fd, block.data(), block.size());
        if (count <= 0) {
            break;
        }
        written += static_cast<std::size_t>(count);
    }
    ::close(fd);
}

} // namespace purgix::test
