#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

namespace purgix::test {

// The sorted names of the entries in `folder` other than those in `except`, each
// followed by a space; empty for a missing folder.
std::string entryNames(const std::filesystem::path& folder,
                       std::initializer_list<std::string> except = {});

// A fresh folder for one test, removed afterwards. The temporary folder (TMPDIR, or TMP
// on Windows) is its "tmp" subfolder while it lives, so a test can see every temporary file a run
// leaves.
class TestFolder
{
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path tempDir() const { return m_path / "tmp"; }
    std::filesystem::path file(std::string_view name) const { return m_path / name; }

    // Writes `content` to `name` inside the folder and returns its full path.
    std::string write(std::string_view name, std::string_view content) const;

    // Names of the entries left in the temporary folder.
    std::string tempDirListing() const { return entryNames(tempDir()); }

private:
    std::filesystem::path m_path;
    std::string m_previousTmpDir;
    bool m_hadTmpDir = false;
};

// Reads a whole file; fails the calling test when it cannot.
std::string readFile(const std::filesystem::path& path);

} // namespace purgix::test
