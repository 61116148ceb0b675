#pragma once

#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace purgix::platform {

// The error code of a system error number: an errno value on Linux (generic category), a
// Win32 error code on Windows (system category).
std::error_code systemError(int errorNumber);

// The system's description of an error, e.g. "No such file or directory".
std::string errorReason(const std::error_code& error);

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

    [[nodiscard]] std::string message() const;
    // The system's error, when the failure had one.
    const std::error_code& error() const { return m_error; }
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
    std::error_code m_error;
};

} // namespace purgix::platform
