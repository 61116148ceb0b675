#pragma once

#include <string>
#include <vector>

namespace purgix::fuzz {

// A private folder for the fuzz targets that work on real files, on a memory file
// system where one exists so that fsync costs little. TMPDIR points at its "tmp"
// subfolder, so temporary files the code under test leaves behind are seen. Removed
// when the process ends normally.
class FuzzWorkspace
{
public:
    static const FuzzWorkspace& instance();

    const std::string& folder() const { return m_folder; }
    const std::string& tempFolder() const { return m_tempFolder; }
    std::string file(const std::string& name) const { return m_folder + '/' + name; }

    ~FuzzWorkspace();
    FuzzWorkspace(const FuzzWorkspace&) = delete;
    FuzzWorkspace& operator=(const FuzzWorkspace&) = delete;

private:
    FuzzWorkspace();

    std::string m_folder;
    std::string m_tempFolder;
};

void writeWholeFile(const std::string& path, const std::string& content);
std::string readWholeFile(const std::string& path);
// Names in a folder, without "." and "..", sorted.
std::vector<std::string> folderEntries(const std::string& folder);

} // namespace purgix::fuzz
