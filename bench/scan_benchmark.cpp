#include "corpus.h"
#include "engine/line_filter.h"
#include "platform/files/detail/file_stream.h"
#include "platform/files/linux/linux_file_system.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

// The scan alone, file to file, on generated corpora of PURGIX_BENCH_MIB MiB (64 unless
// set) in PURGIX_BENCH_DIR (a fresh folder on /dev/shm unless set), so that the disk
// does not blur the comparison. `copy` is the floor: the same files read and written in
// blocks of the scan's size, with no search.
namespace purgix::bench {
namespace {

namespace fs = std::filesystem;

std::uint64_t corpusBytes()
{
    const char* mib = std::getenv("PURGIX_BENCH_MIB");
    return (mib != nullptr ? std::strtoull(mib, nullptr, 10) : 64) << 20;
}

// Generates each corpus once and removes the folder when the program ends.
class CorpusFolder
{
public:
    CorpusFolder()
    {
        const char* chosen = std::getenv("PURGIX_BENCH_DIR");
        const fs::path parent = chosen != nullptr              ? fs::path(chosen)
                                : fs::is_directory("/dev/shm") ? fs::path("/dev/shm")
                                                               : fs::temp_directory_path();
        m_path = parent / ("purgix-bench-" + std::to_string(::getpid()));
        fs::create_directories(m_path);
    }
    ~CorpusFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    CorpusFolder(const CorpusFolder&) = delete;
    CorpusFolder& operator=(const CorpusFolder&) = delete;

    std::string corpus(const CorpusOptions& options)
    {
        const std::string name = std::string(options.kind == CorpusKind::Hosts ? "hosts" : "log") +
                                 (options.lineEnd == LineEnd::CrLf ? "-crlf"
                                  : options.lineEnd == LineEnd::Lf ? "-lf"
                                                                   : "-mixed");
        const std::string path = (m_path / name).string();
        if (m_made.insert(name).second && !writeCorpus(path, options)) {
            m_made.erase(name);
            return {};
        }
        return path;
    }

    std::string output() const { return (m_path / "output").string(); }

private:
    fs::path m_path;
    std::set<std::string> m_made;
};

CorpusFolder& corpusFolder()
{
    static CorpusFolder folder;
    return folder;
}

template <typename Pass>
void timePasses(benchmark::State& state, const CorpusOptions& options, Pass pass)
{
    const std::string input = corpusFolder().corpus(options);
    if (input.empty()) {
        state.SkipWithError("cannot write the corpus");
        return;
    }
    for (auto _ : state) {
        const int inputFd = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
        const int outputFd =
            ::open(corpusFolder().output().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const bool passed = inputFd >= 0 && outputFd >= 0 && pass(inputFd, outputFd);
        ::close(inputFd);
        ::close(outputFd);
        if (!passed) {
            state.SkipWithError("the pass failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(options.bytes));
}

Targets firstTarget(CorpusKind kind)
{
    return {corpusTargets(kind)[0]};
}

void scan(benchmark::State& state, CorpusKind kind, LineEnd lineEnd, Targets slots)
{
    timePasses(state, {kind, lineEnd, corpusBytes(), {}}, [&](int inputFd, int outputFd) {
        platform::FileSource source(platform::systemFileSystem(), inputFd);
        platform::FileSink sink(platform::systemFileSystem(), outputFd);
        const engine::FilterResult result = engine::filterLines(source, sink, slots);
        return result.failure == engine::FilterResult::Failure::None;
    });
}

void copy(benchmark::State& state, CorpusKind kind, LineEnd lineEnd)
{
    std::vector<char> buffer(engine::kDefaultBufferSize);
    timePasses(state, {kind, lineEnd, corpusBytes(), {}}, [&](int inputFd, int outputFd) {
        for (;;) {
            const ssize_t count = ::read(inputFd, buffer.data(), buffer.size());
            if (count <= 0) {
                return count == 0;
            }
            if (::write(outputFd, buffer.data(), static_cast<std::size_t>(count)) != count) {
                return false;
            }
        }
    });
}

BENCHMARK_CAPTURE(copy, hosts_crlf, CorpusKind::Hosts, LineEnd::CrLf)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scan, hosts_crlf_one_target, CorpusKind::Hosts, LineEnd::CrLf,
                  firstTarget(CorpusKind::Hosts))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scan, log_crlf_one_target, CorpusKind::Log, LineEnd::CrLf,
                  firstTarget(CorpusKind::Log))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scan, log_crlf_ten_targets, CorpusKind::Log, LineEnd::CrLf,
                  corpusTargets(CorpusKind::Log))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scan, hosts_lf_one_target, CorpusKind::Hosts, LineEnd::Lf,
                  firstTarget(CorpusKind::Hosts))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scan, log_lf_ten_targets, CorpusKind::Log, LineEnd::Lf,
                  corpusTargets(CorpusKind::Log))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scan, log_mixed_ten_targets, CorpusKind::Log, LineEnd::Mixed,
                  corpusTargets(CorpusKind::Log))
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace purgix::bench
