#include "support/test_folder.h"

#include "support/system_environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace purgix::test {

namespace fs = std::filesystem;

TestFolder::TestFolder()
{
    std::string pattern = (fs::temp_directory_path() / "purgix-test-XXXXXX").string();
    if (!createUniqueFolder(pattern)) {
        ADD_FAILURE() << "cannot create a test folder from " << pattern;
    }
    m_path = pattern;
    fs::create_directory(tempDir());
    if (const char* previous = std::getenv(kTemporaryFolderVariable)) {
        m_hadTmpDir = true;
        m_previousTmpDir = previous;
    }
    setEnvironment(kTemporaryFolderVariable, tempDir().string());
}

TestFolder::~TestFolder()
{
    setEnvironment(kTemporaryFolderVariable,
                   m_hadTmpDir ? std::optional<std::string>(m_previousTmpDir) : std::nullopt);
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(m_path, ignored)) {
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(m_path, ignored);
}

std::string TestFolder::write(std::string_view name, std::string_view content) const
{
    const fs::path target = file(name);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    EXPECT_TRUE(out.good()) << "cannot write " << target;
    return target.string();
}

std::string entryNames(const fs::path& folder, std::initializer_list<std::string> except)
{
    std::set<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored)) {
        names.insert(entry.path().filename().string());
    }
    std::string listing;
    for (const std::string& name : names) {
        if (std::find(except.begin(), except.end(), name) == except.end()) {
            listing += name + ' ';
        }
    }
    return listing;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot read " << path;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace purgix::test
