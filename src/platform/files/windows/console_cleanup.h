#pragma once

#include <string>

namespace purgix::platform {

// Keeps a named temporary file from outliving a command-line run: while an object lives,
// Ctrl+C, Ctrl+Break or closing the console removes the file before the process ends. The
// file must be open with FILE_SHARE_DELETE, so that it can go while it is in use.
class RemovalOnConsoleClose
{
public:
    explicit RemovalOnConsoleClose(const std::string& path);
    ~RemovalOnConsoleClose();
    RemovalOnConsoleClose(const RemovalOnConsoleClose&) = delete;
    RemovalOnConsoleClose& operator=(const RemovalOnConsoleClose&) = delete;

private:
    std::wstring m_path;
};

} // namespace purgix::platform
