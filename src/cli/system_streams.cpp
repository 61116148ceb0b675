#include "cli/system_streams.h"

#include "platform/files/standard_streams.h"
#include "platform/files/temporary_folder.h"

#include <iostream>

namespace purgix::cli {

namespace {

// Standard output's bytes; the text written to std::cout before them goes out first.
class SystemOutput final : public ByteOutput
{
public:
    explicit SystemOutput(std::unique_ptr<platform::StandardOutput> output)
        : m_output(std::move(output))
    {
    }
    std::ptrdiff_t write(const char* data, std::size_t size) override
    {
        return m_output->write(data, size);
    }
    bool cutBack(std::int64_t length) override { return m_output->cutBack(length); }
    std::int64_t length() const override { return m_output->length(); }
    std::optional<platform::FileError> finish() override { return m_output->finish(); }

private:
    std::unique_ptr<platform::StandardOutput> m_output;
};

} // namespace

std::ostream& SystemStreams::out()
{
    return std::cout;
}

std::ostream& SystemStreams::err()
{
    return std::cerr;
}

InputOrFailure SystemStreams::openInput()
{
    platform::StandardInput::Opened opened =
        platform::StandardInput::open(platform::temporaryFolderPath());
    if (auto* failure = std::get_if<platform::FileError>(&opened)) {
        return *failure;
    }
    return std::move(std::get<std::unique_ptr<platform::StandardInput>>(opened));
}

OutputOrFailure SystemStreams::openOutput(bool mayWriteInPlace)
{
    std::cout.flush();
    platform::StandardOutput::Opened opened =
        platform::StandardOutput::open(platform::temporaryFolderPath(), mayWriteInPlace);
    if (auto* failure = std::get_if<platform::FileError>(&opened)) {
        return *failure;
    }
    return std::make_unique<SystemOutput>(
        std::move(std::get<std::unique_ptr<platform::StandardOutput>>(opened)));
}

} // namespace purgix::cli
