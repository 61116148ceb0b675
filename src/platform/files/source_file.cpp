#include "platform/files/source_file.h"

#include "platform/files/detail/file_stream.h"
#include "platform/files/detail/native_files.h"
#include "platform/files/locked_file.h"

#include <utility>

namespace purgix::platform {

struct SourceFile::State
{
    FileSystem& fileSystem;
    std::string path;
    NativeFile file;
    LockedFile locked;
    std::optional<FileSource> source;
};

SourceFile::SourceFile(FileSystem& fileSystem, std::string path)
    : m_state(std::make_unique<State>(State{fileSystem, std::move(path), {}, {}, {}}))
{
}

SourceFile::~SourceFile() = default;

std::optional<FileError> SourceFile::open(std::string_view action)
{
    State& state = *m_state;
    const FileLocation location = plainLocation(state.path);
    if (auto failure =
            openRegularFile(state.fileSystem, location, state.path, action, state.file)) {
        return failure;
    }
    state.source.emplace(state.fileSystem, state.file.get());
    return std::nullopt;
}

std::optional<FileError> SourceFile::openLocked(std::string_view action, const LockWait& wait)
{
    State& state = *m_state;
    FileLocation location;
    if (const int error = resolveLocation(state.fileSystem, state.path, location); error != 0) {
        return FileError::cannot(action, state.path, error);
    }
    const auto readOnly = [](const FileStatus&) { return false; };
    state.locked = openLockedRegularFile(state.fileSystem, location, readOnly, wait);
    if (auto failure = lockedFileFailure(state.locked, state.path, action, wait)) {
        return failure;
    }
    state.source.emplace(state.fileSystem, state.locked.file.get());
    return std::nullopt;
}

ByteSource& SourceFile::source()
{
    return *m_state->source;
}

} // namespace purgix::platform
