#include "source_file.h"

#include "file_handle.h"
#include "handle_stream.h"
#include "regular_file.h"

#include <utility>

namespace purgix::platform {

struct SourceFile::State
{
    FileSystem& fileSystem;
    std::string path;
    FileHandle handle;
    std::optional<HandleSource> source;
};

SourceFile::SourceFile(FileSystem& fileSystem, std::string path)
    : m_state(std::make_unique<State>(State{fileSystem, std::move(path), {}, {}}))
{
}

SourceFile::~SourceFile() = default;

std::optional<FileError> SourceFile::open(std::string_view action)
{
    State& state = *m_state;
    if (auto failure = openRegularFile(state.fileSystem, state.path, action, state.handle)) {
        return failure;
    }
    state.source.emplace(state.fileSystem, state.handle.get());
    return std::nullopt;
}

ByteSource& SourceFile::source()
{
    return *m_state->source;
}

} // namespace purgix::platform
