#include "corpus.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string_view>

// Writes a generated corpus for script/bench, or prints the targets it is made for.
// Usage: purgix_bench_corpus hosts|log[-sparse] crlf|lf|mixed MIB PATH [TRAILER]
//        purgix_bench_corpus targets hosts|log
namespace {

using namespace purgix::bench;

constexpr const char* kUsage =
    "usage: purgix_bench_corpus hosts|log[-sparse] crlf|lf|mixed MIB PATH "
    "[TRAILER]\n"
    "       purgix_bench_corpus targets hosts|log\n";

constexpr std::string_view kSparseSuffix = "-sparse";

bool parseKind(std::string_view text, CorpusKind& kind)
{
    if (text.ends_with(kSparseSuffix)) {
        text.remove_suffix(kSparseSuffix.size());
    }
    kind = text == "log" ? CorpusKind::Log : CorpusKind::Hosts;
    return text == "hosts" || text == "log";
}

int printTargets(CorpusKind kind)
{
    for (const std::string& target : corpusTargets(kind)) {
        if (!target.empty()) {
            std::cout << target << '\n';
        }
    }
    return 0;
}

int writeFile(CorpusKind kind, char* argv[], int argc)
{
    const std::string_view lineEnd = argv[2];
    if (lineEnd != "crlf" && lineEnd != "lf" && lineEnd != "mixed") {
        std::cerr << kUsage;
        return 2;
    }
    CorpusOptions options;
    options.kind = kind;
    options.sparse = std::string_view(argv[1]).ends_with(kSparseSuffix);
    options.lineEnd = lineEnd == "lf"      ? LineEnd::Lf
                      : lineEnd == "mixed" ? LineEnd::Mixed
                                           : LineEnd::CrLf;
    options.bytes = std::strtoull(argv[3], nullptr, 10) << 20;
    options.trailer = argc == 6 ? argv[5] : "";
    if (!writeCorpus(argv[4], options)) {
        std::cerr << "Cannot write \"" << argv[4] << "\": " << std::strerror(errno) << '\n';
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    CorpusKind kind{};
    if (argc == 3 && std::string_view(argv[1]) == "targets" && parseKind(argv[2], kind)) {
        return printTargets(kind);
    }
    if ((argc == 5 || argc == 6) && parseKind(argv[1], kind)) {
        return writeFile(kind, argv, argc);
    }
    std::cerr << kUsage;
    return 2;
}
