#include "source_file.h"

#include "file_descriptor.h"
#include "file_stream.h"
#include "locked_file.h"

#include <utility>

namespace purgix::platform {

struct SourceFile::State
{
    FileSystem& fileSystem;
    std::string path;
    FileDescriptor fd;
    std::optional<FileSource> source;
};

SourceFile::SourceFile(FileSystem& fileSystem, std::string path)
    : m_state(std::make_unique<State>(State{fileSystem, std::move(path), {}, {}}))
{
}

SourceFile::~SourceFile() = default;

std::optional<FileError> SourceFile::open(std::string_view action)
{
    State& state = *m_state;
    if (auto failure = openRegularFile(state.fileSystem, state.path, action, state.fd)) {
        return failure;
    }
    state.source.emplace(state.fileSystem, state.fd.get());
    return std::nullopt;
}

ByteSource& SourceFile::source()
{
    return *m_state->source;
}

} // namespace purgix::platform
