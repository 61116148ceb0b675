// Runs the whole delete run on a real file and compares the message, the file left behind
// and the deleted lines with the pass-by-pass model, 16-bit limits included; or, by the
// buffer size's parity, only counts, which must leave the file as it is. Two rare knob
// values repeat the body thousands of times, so that the count limits are within reach.
#include "engine/delete_run.h"
#include "fuzz_input.h"
#include "fuzz_workspace.h"
#include "support/reference_model.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using purgix::fuzz::FuzzCase;

// Knob 0 at kNearLimit repeats the body 32,760 to 32,775 times (knob 1 picks which), at
// kBroadRange 1 to 32,641 times; a repeated file is read with larger buffers, since
// the small ones are exercised by every other input.
constexpr std::uint8_t kNearLimit = 0xFF;
constexpr std::uint8_t kBroadRange = 0xFE;
constexpr std::size_t kRepeatedBufferFactor = 1024;
constexpr std::size_t kMaxFileSize = std::size_t{256} << 10;
constexpr mode_t kFileMode = 0644;

std::size_t repeatCount(const FuzzCase& input)
{
    switch (input.knobs[0]) {
    case kNearLimit:
        return 32760 + input.knobs[1] % 16;
    case kBroadRange:
        return 1 + std::size_t{input.knobs[1]} * 128;
    default:
        return 1;
    }
}

std::string fileContent(const FuzzCase& input)
{
    const std::size_t repeats = repeatCount(input);
    if (repeats == 1 || input.body.size() * repeats > kMaxFileSize) {
        return input.body;
    }
    std::string content;
    content.reserve(input.body.size() * repeats);
    for (std::size_t i = 0; i < repeats; ++i) {
        content += input.body;
    }
    return content;
}

std::string joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names) {
        text += name + ' ';
    }
    return text;
}

void checkNothingLeftBehind(const FuzzCase& input, const purgix::fuzz::FuzzWorkspace& workspace)
{
    const std::vector<std::string> expectedEntries{"file.txt", "tmp"};
    const std::vector<std::string> entries = purgix::fuzz::folderEntries(workspace.folder());
    if (entries != expectedEntries) {
        purgix::fuzz::reportMismatch("entries beside the file", input, joined(expectedEntries),
                                     joined(entries));
    }
    const std::vector<std::string> leftovers = purgix::fuzz::folderEntries(workspace.tempFolder());
    if (!leftovers.empty()) {
        purgix::fuzz::reportMismatch("temporary folder", input, "", joined(leftovers));
    }
}

void checkMode(const FuzzCase& input, const std::string& path)
{
    struct stat status = {};
    if (::stat(path.c_str(), &status) != 0 || (status.st_mode & 07777) != kFileMode) {
        purgix::fuzz::reportMismatch("permission bits", input, std::to_string(kFileMode),
                                     std::to_string(status.st_mode & 07777));
    }
}

// A ByteSink that keeps the deleted lines in memory.
class StringSink final : public purgix::platform::ByteSink
{
public:
    std::ptrdiff_t write(const char* data, std::size_t size) override
    {
        bytes.append(data, size);
        return static_cast<std::ptrdiff_t>(size);
    }
    bool cutBack(std::int64_t length) override
    {
        bytes.resize(static_cast<std::size_t>(length));
        return true;
    }
    std::int64_t length() const override { return static_cast<std::int64_t>(bytes.size()); }

    std::string bytes;
};

// What a run that only counts reports and leaves, by the model of the run itself.
purgix::test::DeleteRunModel countOnlyModel(const std::string& content,
                                            purgix::test::DeleteRunModel model)
{
    constexpr std::string_view deleted = " lines deleted.";
    if (model.succeeded) {
        model.message.replace(model.message.size() - deleted.size(), deleted.size(),
                              " lines would be deleted.");
    }
    model.fileContent = content;
    return model;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const purgix::fuzz::FuzzWorkspace& workspace = purgix::fuzz::FuzzWorkspace::instance();
    const FuzzCase input = purgix::fuzz::parseFuzzCase(data, size);
    const std::string content = fileContent(input);
    const std::string path = workspace.file("file.txt");
    purgix::fuzz::writeWholeFile(path, content);
    ::chmod(path.c_str(), kFileMode);

    StringSink deleted;
    purgix::engine::DeleteRunOptions options;
    options.bufferSize = content.size() == input.body.size()
                             ? input.bufferSize
                             : input.bufferSize * kRepeatedBufferFactor;
    options.countOnly = input.bufferSize % 2 == 1;
    options.deletedLines = &deleted;
    const purgix::engine::DeleteRunOutcome outcome =
        purgix::engine::runDelete(path, input.slots, options);
    purgix::test::DeleteRunModel model = purgix::test::deleteRunModel(content, input.slots);
    if (options.countOnly) {
        model = countOnlyModel(content, std::move(model));
    }

    if (outcome.message != model.message || outcome.succeeded != model.succeeded) {
        purgix::fuzz::reportMismatch("message", input, model.message, outcome.message);
    }
    const std::string after = purgix::fuzz::readWholeFile(path);
    if (after != model.fileContent) {
        purgix::fuzz::reportMismatch("file content", input, model.fileContent, after);
    }
    if (deleted.bytes != model.deleted) {
        purgix::fuzz::reportMismatch("deleted lines", input, model.deleted, deleted.bytes);
    }
    checkMode(input, path);
    checkNothingLeftBehind(input, workspace);
    return 0;
}
