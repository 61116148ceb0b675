// A run by an ordinary user, or by root, leaves the file what it was: owner, group, mode
// (set-ID bits too), ACL, capabilities, extended attributes and hard links, whichever way
// the file has to be replaced.
#include "engine/delete_run.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <linux/fs.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace purgix::test {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kUser = 41001;      // runs Purgix
constexpr uid_t kColleague = 41002; // owns the shared file
constexpr gid_t kTeam = 41100;      // a group both belong to
constexpr const char* kAcl = "system.posix_acl_access";
constexpr const char* kCapability = "security.capability";

// The capability attribute granting CAP_NET_BIND_SERVICE, in the kernel's version 2 format.
std::string capabilityToBindPorts()
{
    std::string value(20, '\0');
    value[3] = 0x02;     // revision 2, little-endian
    value[4 + 1] = 0x04; // permitted bit 10
    return value;
}

// "u::rw-,u:<user>:rw-,g::r--,m::rw-,o::---" in the kernel's format.
std::string aclGrantingUser(std::uint32_t user)
{
    std::string acl;
    const auto put = [&acl](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            acl += static_cast<char>((value >> (8 * i)) & 0xff);
        }
    };
    put(2, 4);
    const std::uint32_t entries[][3] = {{0x01, 6, 0xffffffff},
                                        {0x02, 6, user},
                                        {0x04, 4, 0xffffffff},
                                        {0x10, 6, 0xffffffff},
                                        {0x20, 0, 0xffffffff}};
    for (const auto& entry : entries) {
        put(entry[0], 2);
        put(entry[1], 2);
        put(entry[2], 4);
    }
    return acl;
}

std::string attribute(const std::string& path, const char* name)
{
    std::string value(4096, '\0');
    const ssize_t size = ::getxattr(path.c_str(), name, value.data(), value.size());
    return size < 0 ? std::string("(none)") : value.substr(0, static_cast<std::size_t>(size));
}

struct Identity
{
    uid_t owner;
    gid_t group;
    mode_t mode;
    nlink_t links;
    std::string acl;
    std::string note;
    std::string capability;
    unsigned flags; // the chattr flags no dump and no access time

    bool operator==(const Identity&) const = default;
};

unsigned flagsOf(const std::string& path)
{
    int flags = 0;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        flags = 0;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return static_cast<unsigned>(flags) & (FS_NODUMP_FL | FS_NOATIME_FL);
}

bool setFlags(const std::string& path, unsigned flags)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    int value = 0;
    bool set = ::ioctl(fd, FS_IOC_GETFLAGS, &value) == 0;
    value |= static_cast<int>(flags);
    set = set && ::ioctl(fd, FS_IOC_SETFLAGS, &value) == 0;
    ::close(fd);
    return set;
}

Identity identityOf(const std::string& path)
{
    struct stat status = {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0);
    return {status.st_uid,
            status.st_gid,
            status.st_mode & 07777,
            status.st_nlink,
            attribute(path, kAcl),
            attribute(path, "user.note"),
            attribute(path, kCapability),
            flagsOf(path)};
}

void PrintTo(const Identity& identity, std::ostream* out)
{
    *out << "owner " << identity.owner << ", group " << identity.group << ", mode " << std::oct
         << identity.mode << std::dec << ", " << identity.links << " links, acl of "
         << identity.acl.size() << " bytes, note " << identity.note << ", capability of "
         << identity.capability.size() << " bytes, flags " << std::hex << identity.flags
         << std::dec;
}

// Runs the delete run in a child process that has become kUser, a member of kTeam.
std::string runAsUser(const std::string& path, const std::string& backupSuffix = {})
{
    int channel[2];
    EXPECT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const gid_t groups[] = {kTeam};
        if (::setgroups(1, groups) != 0 || ::setresgid(kTeam, kTeam, kTeam) != 0 ||
            ::setresuid(kUser, kUser, kUser) != 0) {
            ::_exit(2);
        }
        engine::DeleteRunOptions options;
        options.backupSuffix = backupSuffix;
        const std::string message = engine::runDelete(path, {"drop"}, options).message;
        const ssize_t written = ::write(channel[1], message.data(), message.size());
        ::_exit(written == static_cast<ssize_t>(message.size()) ? 0 : 3);
    }
    ::close(channel[1]);
    std::string message;
    char buffer[4096];
    for (ssize_t count; (count = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        message.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    return message;
}

struct IdentityCase
{
    const char* name;
    // Prepares the file (content "drop\nkeep\n") in a folder kUser may enter; false to
    // skip the case on this system.
    std::function<bool(const std::string& file, const fs::path& folder)> prepare;
    bool asRoot = false; // the run is root's, not kUser's
};

bool own(const std::string& path, uid_t owner, gid_t group, mode_t mode)
{
    return ::chown(path.c_str(), owner, group) == 0 && ::chmod(path.c_str(), mode) == 0;
}

bool giveCapability(const std::string& file)
{
    const std::string value = capabilityToBindPorts();
    return ::setxattr(file.c_str(), kCapability, value.data(), value.size(), 0) == 0;
}

std::vector<IdentityCase> identityCases()
{
    return {
        {"group-shared file of another owner",
         [](const std::string& file, const fs::path& folder) {
             return own(folder.string(), kColleague, kTeam, 02775) &&
                    own(file, kColleague, kTeam, 0660);
         }},
        {"file with an ACL granting a second user",
         [](const std::string& file, const fs::path& folder) {
             const std::string acl = aclGrantingUser(1234);
             return own(folder.string(), kUser, kTeam, 0755) && own(file, kUser, kTeam, 0640) &&
                    ::setxattr(file.c_str(), kAcl, acl.data(), acl.size(), 0) == 0;
         }},
        {"file with a user attribute",
         [](const std::string& file, const fs::path& folder) {
             return own(folder.string(), kUser, kTeam, 0755) && own(file, kUser, kTeam, 0644) &&
                    ::setxattr(file.c_str(), "user.note", "kept", 4, 0) == 0;
         }},
        {"file with a second name",
         [](const std::string& file, const fs::path& folder) {
             return own(folder.string(), kUser, kTeam, 0755) && own(file, kUser, kTeam, 0644) &&
                    ::link(file.c_str(), (folder / "second name").c_str()) == 0;
         }},
        {"writable file in a folder that allows no new file",
         [](const std::string& file, const fs::path& folder) {
             return own(file, kUser, kTeam, 0644) && own(folder.string(), 0, 0, 0755);
         }},
        {"set-user-ID file of its owner",
         [](const std::string& file, const fs::path& folder) {
             return own(folder.string(), kUser, kTeam, 0755) && own(file, kUser, kTeam, 04755);
         }},
        {"set-group-ID file with a second name",
         [](const std::string& file, const fs::path& folder) {
             return own(folder.string(), kUser, kTeam, 0755) && own(file, kUser, kTeam, 02775) &&
                    ::link(file.c_str(), (folder / "second name").c_str()) == 0;
         }},
        {"file marked no dump and no access time",
         [](const std::string& file, const fs::path& folder) {
             return own(folder.string(), kUser, kTeam, 0755) && own(file, kUser, kTeam, 0644) &&
                    setFlags(file, FS_NODUMP_FL | FS_NOATIME_FL);
         }},
        {"file with a capability, run by root",
         [](const std::string& file, const fs::path&) { return giveCapability(file); }, true},
        {"file with a capability and a second name, run by root",
         [](const std::string& file, const fs::path& folder) {
             return giveCapability(file) &&
                    ::link(file.c_str(), (folder / "second name").c_str()) == 0;
         },
         true},
    };
}

TEST(FileIdentity, OrdinaryUserKeepsWhatTheFileIs)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "setting up other users' files needs root";
    }
    for (const IdentityCase& identityCase : identityCases()) {
        SCOPED_TRACE(identityCase.name);
        TestFolder folder;
        ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
        const fs::path work = folder.file("work");
        fs::create_directory(work);
        const std::string path = folder.write("work/list.txt", "drop\nkeep\n");
        if (!identityCase.prepare(path, work)) {
            std::cout << "skipped: " << identityCase.name << " is not supported here\n";
            continue;
        }
        ASSERT_EQ(::chmod(folder.tempDir().c_str(), 01777), 0);
        const Identity before = identityOf(path);

        EXPECT_EQ(identityCase.asRoot ? engine::runDelete(path, {"drop"}).message : runAsUser(path),
                  "1 lines deleted.");

        EXPECT_EQ(readFile(path), "keep\n");
        EXPECT_EQ(identityOf(path), before);
        EXPECT_EQ(entryNames(work, {"list.txt", "second name"}), "");
        EXPECT_EQ(folder.tempDirListing(), "");
        if (fs::exists(work / "second name")) {
            EXPECT_EQ(readFile(work / "second name"), "keep\n");
        }
    }
}

// The backup of a file rewritten in place is a copy of the run's user, with the old content
// and modification time, that lets in nobody the file does not: it has the file's owner, group
// and permissions where the run may give them; else each class of users only the permissions
// that all who may be in it have on the file, and beside an ACL none. Both names of the file
// get the new content.
TEST(FileIdentity, ABackupCopyLetsInNobodyTheFileDoesNot)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "setting up other users' files needs root";
    }
    struct Case
    {
        const char* name;
        uid_t owner;
        gid_t group;
        mode_t mode;
        bool withAcl; // granting kUser
        uid_t backupOwner;
        mode_t backupMode;
    };
    const Case cases[] = {
        {"root's file, run by root", 0, 0, 0640, false, 0, 0640},
        {"shared with the run's group", kColleague, kTeam, 0664, false, kUser, 0664},
        {"of a group the run's user is not in", kColleague, kColleague, 0646, false, kUser, 0604},
        {"with an ACL", kColleague, kTeam, 0660, true, kUser, 0600},
    };
    const struct timespec times[2] = {{1'000'000, 0}, {2'000'000, 3}};
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        TestFolder folder;
        ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
        ASSERT_EQ(::chmod(folder.tempDir().c_str(), 01777), 0);
        const fs::path work = folder.file("work");
        fs::create_directory(work);
        const std::string path = folder.write("work/list.txt", "drop\nkeep\n");
        const std::string acl = aclGrantingUser(kUser);
        ASSERT_TRUE(
            own(work.string(), kUser, kTeam, 0755) && own(path, row.owner, row.group, row.mode) &&
            ::link(path.c_str(), (work / "second name").c_str()) == 0 &&
            (!row.withAcl || ::setxattr(path.c_str(), kAcl, acl.data(), acl.size(), 0) == 0) &&
            ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0);
        engine::DeleteRunOptions options;
        options.backupSuffix = ".bak";

        EXPECT_EQ(row.owner == 0 ? engine::runDelete(path, {"drop"}, options).message
                                 : runAsUser(path, ".bak"),
                  "1 lines deleted.");

        EXPECT_EQ(readFile(path), "keep\n");
        EXPECT_EQ(readFile(work / "second name"), "keep\n");
        const std::string backup = path + ".bak";
        EXPECT_EQ(readFile(backup), "drop\nkeep\n");
        struct stat kept = {};
        ASSERT_EQ(::stat(backup.c_str(), &kept), 0);
        EXPECT_EQ(kept.st_nlink, 1U);
        EXPECT_EQ(kept.st_uid, row.backupOwner);
        EXPECT_EQ(kept.st_mode & 07777, row.backupMode);
        EXPECT_EQ(attribute(backup, kAcl), "(none)");
        EXPECT_EQ(kept.st_mtim.tv_sec, times[1].tv_sec);
        EXPECT_EQ(kept.st_mtim.tv_nsec, times[1].tv_nsec);
        EXPECT_EQ(entryNames(work, {"list.txt", "list.txt.bak", "second name"}), "");
        EXPECT_EQ(folder.tempDirListing(), "");
    }
}

} // namespace
} // namespace purgix::test
