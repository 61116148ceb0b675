#include "fuzz_workspace.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace purgix::fuzz {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void giveUp(const std::string& what)
{
    std::fprintf(stderr, "fuzz workspace: %s\n", what.c_str());
    std::abort();
}

std::string workspaceBase()
{
    std::error_code error;
    return fs::is_directory("/dev/shm", error) ? "/dev/shm" : fs::temp_directory_path().string();
}

} // namespace

const FuzzWorkspace& FuzzWorkspace::instance()
{
    static const FuzzWorkspace workspace;
    return workspace;
}

FuzzWorkspace::FuzzWorkspace()
{
    std::string pattern = workspaceBase() + "/purgix-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        giveUp("cannot create a folder from " + pattern);
    }
    m_folder = pattern;
    m_tempFolder = m_folder + "/tmp";
    std::error_code error;
    fs::create_directory(m_tempFolder, error);
    if (error) {
        giveUp("cannot create " + m_tempFolder);
    }
    ::setenv("TMPDIR", m_tempFolder.c_str(), 1);
}

FuzzWorkspace::~FuzzWorkspace()
{
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
}

void writeWholeFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out.good()) {
        giveUp("cannot write " + path);
    }
}

std::string readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in.good()) {
        giveUp("cannot read " + path);
    }
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::string> folderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace purgix::fuzz
