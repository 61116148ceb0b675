#include "platform/files/file_error.h"

#include "platform/files/detail/native_files.h"

#include <initializer_list>
#include <utility>

namespace purgix::platform {

namespace {

// Joins the pieces with appends; chained operator+ on temporaries trips a false
// -Wrestrict warning in GCC 12's optimised builds.
std::string join(std::initializer_list<std::string_view> pieces)
{
    std::string text;
    for (const std::string_view piece : pieces) {
        text += piece;
    }
    return text;
}

} // namespace

FileError FileError::cannot(std::string_view action, std::string path, int errorNumber)
{
    const std::error_code code = systemError(errorNumber);
    FileError error = cannot(action, std::move(path), errorReason(code));
    error.m_error = code;
    return error;
}

FileError FileError::cannot(std::string_view action, std::string path, std::string reason)
{
    FileError error(Kind::Cannot, std::move(path));
    error.m_action = action;
    error.m_reason = std::move(reason);
    return error;
}

FileError FileError::newContent(std::string path, std::string folder, int errorNumber)
{
    FileError error(Kind::NewContent, std::move(path));
    error.m_folder = std::move(folder);
    error.m_error = systemError(errorNumber);
    error.m_reason = errorReason(error.m_error);
    return error;
}

FileError FileError::notRegular(std::string path)
{
    return {Kind::NotRegular, std::move(path)};
}

FileError FileError::changed(std::string path)
{
    return {Kind::Changed, std::move(path)};
}

bool FileError::isMissingFile() const
{
    return m_error && isMissing(m_error.value());
}

std::string FileError::message() const
{
    switch (m_kind) {
    case Kind::Cannot:
        return join({"Cannot ", m_action, " \"", m_path, "\": ", m_reason, "."});
    case Kind::NewContent:
        return join({"Cannot write the new content of \"", m_path, "\" in \"", m_folder,
                     "\": ", m_reason, "."});
    case Kind::NotRegular:
        return join({"\"", m_path, "\" is not a regular file."});
    case Kind::Changed:
        return join({"\"", m_path, "\" changed during the run; it was left as it is."});
    }
    return {};
}

} // namespace purgix::platform
