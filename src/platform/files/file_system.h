#pragma once

namespace purgix::platform {

// The file layer's seam over the system calls: LinuxFileSystem (linux/linux_file_system.h)
// or WindowsFileSystem (windows/windows_file_system.h). The engine and the settings only
// hand it on, so they build for both systems without seeing either.
#ifdef _WIN32
class WindowsFileSystem;
using FileSystem = WindowsFileSystem;
#else
class LinuxFileSystem;
using FileSystem = LinuxFileSystem;
#endif

// The process's real file system.
FileSystem& systemFileSystem();

} // namespace purgix::platform
