#pragma once

#include "core/targets.h"

#include <cstdint>
#include <string>

namespace purgix::bench {

// Generated text files for timing the scan.
enum class CorpusKind {
    Hosts, // hosts-file lines; the one target is in about 30% of them
    Log,   // log lines; each of ten targets is in 1% to 3% of them
};

// Mixed: CR LF lines, every fourth ending in LF alone, as lines a Linux tool appended.
enum class LineEnd { CrLf, Lf, Mixed };

struct CorpusOptions
{
    CorpusKind kind = CorpusKind::Hosts;
    LineEnd lineEnd = LineEnd::CrLf;
    std::uint64_t bytes = 0;
    std::string trailer; // appended after the last line, without a line end
    // About 25,000 matching lines in 256 MiB, so that a run ends in a replacement rather
    // than in the 32,767-line limit.
    bool sparse = false;
};

// The targets that the corpus of `kind` is made for, in slot order.
Targets corpusTargets(CorpusKind kind);

// Writes the corpus to `path` (about options.bytes long, whole lines); false when the file
// cannot be written, with errno telling why.
bool writeCorpus(const std::string& path, const CorpusOptions& options);

} // namespace purgix::bench
