#include "corpus.h"

#include <array>
#include <cstdio>
#include <random>
#include <string_view>

namespace purgix::bench {

namespace {

// None of these holds a target, so the targets occur exactly where they are put.
constexpr std::array<std::string_view, 24> kWords = {
    "alpha", "beta",   "cloud", "cdn",    "static", "media",  "news",  "shop",
    "mail",  "video",  "img",   "api",    "login",  "portal", "stats", "metrics",
    "pixel", "banner", "promo", "secure", "data",   "web",    "edge",  "files"};
constexpr std::array<std::string_view, 6> kTopLevels = {"com", "net", "org", "io", "de", "info"};
constexpr std::array<std::string_view, 6> kStatuses = {"200", "201", "204", "301", "304", "404"};

class LineMaker
{
public:
    LineMaker(CorpusKind kind, bool sparse)
        : m_kind(kind), m_sparse(sparse), m_targets(corpusTargets(kind))
    {
    }

    void append(std::string& text)
    {
        if (m_kind == CorpusKind::Hosts) {
            appendHost(text);
        } else {
            appendLogEntry(text);
        }
    }

private:
    void appendHost(std::string& text)
    {
        text += "0.0.0.0 ";
        if (chance(m_sparse ? 2800 : 300000)) {
            text += word();
            text += '-';
            text += m_targets[0];
            text += '.';
        }
        text += word();
        text += std::to_string(number(100));
        text += '.';
        text += word();
        text += '.';
        text += kTopLevels[number(kTopLevels.size())];
    }

    void appendLogEntry(std::string& text)
    {
        ++m_entry;
        text += "2024-05-17T";
        text += std::to_string(10 + m_entry / 360000 % 14) + ':' + twoDigits(m_entry / 6000 % 60) +
                ':' + twoDigits(m_entry / 100 % 60) + '.' + std::to_string(100 + m_entry % 900);
        text += chance(800000) ? "Z INFO  [worker-" : "Z DEBUG [worker-";
        text += std::to_string(number(32));
        text += "] GET /api/v1/";
        text += word();
        text += '/';
        text += std::to_string(number(100000));
        text += " status=";
        text += kStatuses[number(kStatuses.size())];
        text +=
            " took=" + std::to_string(number(2000)) + "ms user=u" + std::to_string(number(5000));
        for (std::size_t slot = 0; slot < m_targets.size(); ++slot) {
            // 1%, 2% or 3% of the lines per target; 0.1% when sparse.
            if (chance(m_sparse ? 1000 : 10000 * (1 + static_cast<int>(slot % 3)))) {
                text += ' ';
                text += m_targets[slot];
            }
        }
    }

    static std::string twoDigits(std::uint64_t value)
    {
        return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
    }

    std::size_t number(std::size_t limit) { return m_random() % limit; }
    bool chance(int perMillion) { return number(1000000) < static_cast<std::size_t>(perMillion); }
    std::string_view word() { return kWords[number(kWords.size())]; }

    CorpusKind m_kind;
    bool m_sparse;
    Targets m_targets;
    std::mt19937_64 m_random{20240517};
    std::uint64_t m_entry = 0;
};

} // namespace

Targets corpusTargets(CorpusKind kind)
{
    if (kind == CorpusKind::Hosts) {
        return {"tracker"};
    }
    return {"ERROR",    "timeout",    "connection refused", "/admin/",   "status=503",
            "retrying", "deprecated", "cache-miss",         "user=root", "OutOfMemory"};
}

bool writeCorpus(const std::string& path, const CorpusOptions& options)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const std::string_view lineEnd = options.lineEnd == LineEnd::Lf ? "\n" : "\r\n";
    LineMaker maker(options.kind, options.sparse);
    std::uint64_t lineNumber = 0;
    std::string chunk;
    bool written = true;
    for (std::uint64_t total = 0; total < options.bytes && written;) {
        chunk.clear();
        while (chunk.size() < (std::size_t{1} << 20) && total + chunk.size() < options.bytes) {
            maker.append(chunk);
            const bool appendedByLinux = options.lineEnd == LineEnd::Mixed && ++lineNumber % 4 == 0;
            chunk += appendedByLinux ? "\n" : lineEnd;
        }
        written = std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size();
        total += chunk.size();
    }
    if (written && !options.trailer.empty()) {
        written = std::fwrite(options.trailer.data(), 1, options.trailer.size(), file) ==
                  options.trailer.size();
    }
    return std::fclose(file) == 0 && written;
}

} // namespace purgix::bench
