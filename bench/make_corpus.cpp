#include "corpus.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string_view>

// Writes a generated corpus for script/bench.
// Usage: purgix_bench_corpus hosts|log crlf|lf MIB PATH [TRAILER]
int main(int argc, char* argv[])
{
    using namespace purgix::bench;
    const std::string_view kind = argc > 2 ? argv[1] : "";
    const std::string_view lineEnd = argc > 2 ? argv[2] : "";
    if (argc < 5 || argc > 6 || (kind != "hosts" && kind != "log") ||
        (lineEnd != "crlf" && lineEnd != "lf")) {
        std::cerr << "usage: purgix_bench_corpus hosts|log crlf|lf MIB PATH [TRAILER]\n";
        return 2;
    }
    CorpusSpec spec;
    spec.kind = kind == "log" ? CorpusKind::Log : CorpusKind::Hosts;
    spec.lineEnd = lineEnd == "lf" ? LineEnd::Lf : LineEnd::CrLf;
    spec.bytes = std::strtoull(argv[3], nullptr, 10) << 20;
    spec.trailer = argc == 6 ? argv[5] : "";
    if (!writeCorpus(argv[4], spec)) {
        std::cerr << "Cannot write \"" << argv[4] << "\": " << std::strerror(errno) << '\n';
        return 1;
    }
    return 0;
}
