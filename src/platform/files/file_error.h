#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace purgix::platform {

// The system's description of an error number, e.g. "No such file or directory". Error
// numbers are errno values on Linux and Win32 error codes on Windows.
std::string errorReason(int errorNumber);

// A file operation that failed: what was attempted, on which file (as the user named
// it), and why. message() is the one place where such a failure is put into words.
class FileError
{
public:
    // `Cannot <action> "<path>": <reason>.`
    static FileError cannot(std::string_view action, std::string path, int errorNumber);
    static FileError cannot(std::string_view action, std::string path, std::string reason);
    // The new content could not be written in `folder`, which may lie on another disk.
    static FileError newContent(std::string path, std::string folder, int errorNumber);
    static FileError notRegular(std::string path);
    // Someone else changed the file while it was being replaced; it was left alone.
    static FileError changed(std::string path);

    std::string message() const;
    int errorNumber() const { return m_errorNumber; }
    // True when the file, or a folder on its path, does not exist.
    bool isMissingFile() const;

private:
    enum class Kind { Cannot, NewContent, NotRegular, Changed };

    FileError(Kind kind, std::string path) : m_kind(kind), m_path(std::move(path)) {}

    Kind m_kind;
    std::string m_path;
    std::string m_action;
    std::string m_folder;
    std::string m_reason;
    int m_errorNumber = 0;
};

} // namespace purgix::platform
