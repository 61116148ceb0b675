#pragma once

namespace purgix::platform {

// The file layer: POSIX-shaped on Linux (file_system.h), Win32-shaped on Windows
// (win32/win32_file_system.h). The engine and the settings only hand it on, so they
// build for both systems without seeing either.
class FileSystem;

// The process's real file system.
FileSystem& systemFileSystem();

} // namespace purgix::platform
