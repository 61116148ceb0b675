#include "settings/target_settings.h"
#include "support/reference_model.h"
#include "support/target_lists.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace purgix::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

constexpr std::size_t kTenMebibytes = std::size_t{10} << 20;

Targets emptyTargets()
{
    return {};
}

struct SettingsCase
{
    std::string name;
    std::string content;
    bool readable = true;
};

std::string manyLines(std::size_t size)
{
    std::string content;
    for (int i = 0; content.size() < size; ++i) {
        content += "target " + std::to_string(i) + "\r\n";
    }
    return content;
}

TEST(HostileSettings, OddFilesAreReadByTheReadingTable)
{
    const std::vector<SettingsCase> cases = {
        {"10 MiB of lines", manyLines(kTenMebibytes)},
        {"10 MiB of LF lines with a CR after the tenth",
         std::string(20, '\n') + "\r" + std::string(kTenMebibytes, 'x')},
        {"a single line of 10 MiB", std::string(kTenMebibytes, 'x'), false},
        {"a tenth line of 10 MiB", std::string(9, '\n') + std::string(kTenMebibytes, 'x'), false},
        {"NUL bytes", "a\0b\r\n\0\r\n\r\n\0"s},
        {"invalid UTF-8 and lone LFs", "\xff\xfe\r\nline\nwith LF\r\n\xc3\x28\r"},
    };
    for (const SettingsCase& odd : cases) {
        SCOPED_TRACE(odd.name);
        TestFolder folder;
        const std::string path = folder.write("purgix.ini", odd.content);
        Targets targets = startUpTargets();

        const bool loaded = settings::loadTargets(path, targets).succeeded;

        EXPECT_EQ(loaded, odd.readable);
        EXPECT_TRUE(targets == (odd.readable ? applySettingsModel(odd.content, startUpTargets())
                                             : emptyTargets()));
    }
}

TEST(HostileSettings, DirectoryInPlaceOfTheFileEmptiesTheSlotsAndIsNotReplaced)
{
    TestFolder folder;
    const fs::path path = folder.file("purgix.ini");
    fs::create_directory(path);
    Targets targets = startUpTargets();

    const settings::LoadResult loaded = settings::loadTargets(path.string(), targets);
    const settings::SaveResult saved = settings::saveTargets(path.string(), startUpTargets());

    EXPECT_EQ(targets, emptyTargets());
    EXPECT_FALSE(loaded.succeeded);
    EXPECT_FALSE(saved.succeeded);
    EXPECT_NE(saved.message.find(path.string()), std::string::npos) << saved.message;
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(folder.tempDirListing(), "");
}

// Opening a FIFO for reading waits for a writer; loading must not hang the start-up.
TEST(HostileSettings, FifoInPlaceOfTheFileDoesNotBlockLoading)
{
    TestFolder folder;
    const std::string path = folder.file("purgix.ini").string();
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    Targets targets = startUpTargets();

    auto loading =
        std::async(std::launch::async, [&] { return settings::loadTargets(path, targets); });
    const bool finished = loading.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!finished) {
        // Play the writer so the stuck open returns and the test can end.
        const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        ::close(fd);
    }
    loading.wait();

    EXPECT_TRUE(finished) << "loading a FIFO blocked";
    EXPECT_EQ(targets, emptyTargets());
}

} // namespace
} // namespace purgix::test
