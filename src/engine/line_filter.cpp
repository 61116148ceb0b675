#include "line_filter.h"

#include "file_system.h"
#include "line_writer.h"
#include "multi_literal_search.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

namespace purgix::engine {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

const char* findCr(const char* begin, const char* end)
{
    return static_cast<const char*>(std::memchr(begin, kCr, static_cast<std::size_t>(end - begin)));
}

const char* findLastCr(const char* begin, const char* end)
{
    return static_cast<const char*>(::memrchr(begin, kCr, static_cast<std::size_t>(end - begin)));
}

// Reads the input block by block and searches each block as a whole for the targets;
// only a line holding a match is looked at as a line. Everything between two dropped
// lines is copied in one piece. The line that runs past a block's end waits in the
// buffer for the next block, or, when it is too long for that, is written ahead and cut
// back from the output if a target turns up later in it.
class LineScanner
{
public:
    LineScanner(platform::FileSystem& fileSystem, int inputFd, int outputFd,
                const TargetSlots& slots, std::size_t bufferSize);

    FilterResult run();

private:
    // What is known of the line whose bytes begin the buffer.
    enum class Carried { Unwritten, WrittenAhead, Dropped };

    FilterResult fail(FilterResult::Failure failure, int errorNumber);
    void acceptBlock(std::size_t count);
    void scanBlock();
    std::optional<LiteralMatch> nextMatch(const char* from, const char* end) const;
    const char* lineStartBefore(const char* from, const char* match) const;
    const char* continueWrittenAheadLine(const char* begin, const char* end);
    const char* dropLine(const char* lineBegin, const char* searchFrom, const char* end, int slot);
    const char* afterTerminator(const char* cr, const char* end);
    void carryIncompleteLine(const char* lineBegin, const char* end);
    void keepTail(const char* lineBegin, const char* end);
    void moveToFront(const char* begin, const char* end);
    void finishLastLine();

    platform::FileSystem& m_fileSystem;
    int m_inputFd;
    MultiLiteralSearch m_search;
    // Bytes of a line's end that may begin an occurrence finished only by the next block.
    std::size_t m_overlap;
    std::size_t m_capacity;
    std::vector<char> m_buffer;
    LineWriter m_writer;
    std::size_t m_size = 0;
    std::size_t m_lineStart = 0;  // where the carried line's held bytes begin
    std::size_t m_searchFrom = 0; // no occurrence starts before this
    bool m_pendingLf = false; // the last block ended in CR: an LF first in the next belongs to it
    Carried m_carried = Carried::Unwritten;
    int m_droppedSlot = 0;
    off_t m_aheadOffset = 0; // output offset where a line written ahead began
    FilterResult m_result;
};

LineScanner::LineScanner(platform::FileSystem& fileSystem, int inputFd, int outputFd,
                         const TargetSlots& slots, std::size_t bufferSize)
    : m_fileSystem(fileSystem), m_inputFd(inputFd), m_search(slots),
      m_overlap(m_search.empty() ? 0 : m_search.longestLength() - 1),
      m_capacity(std::max(bufferSize, 2 * m_search.longestLength())),
      m_buffer(m_capacity + kSearchOverread), m_writer(fileSystem, outputFd, m_capacity)
{
}

FilterResult LineScanner::run()
{
    for (;;) {
        const ssize_t count =
            m_fileSystem.read(m_inputFd, m_buffer.data() + m_size, m_capacity - m_size);
        if (count < 0) {
            return fail(FilterResult::Failure::Read, errno);
        }
        if (count == 0) {
            break;
        }
        acceptBlock(static_cast<std::size_t>(count));
        scanBlock();
        if (m_writer.failed()) {
            return fail(FilterResult::Failure::Write, m_writer.errorNumber());
        }
    }
    finishLastLine();
    m_writer.flush();
    if (m_writer.failed()) {
        return fail(FilterResult::Failure::Write, m_writer.errorNumber());
    }
    return m_result;
}

FilterResult LineScanner::fail(FilterResult::Failure failure, int errorNumber)
{
    m_result.failure = failure;
    m_result.errorNumber = errorNumber;
    return m_result;
}

void LineScanner::acceptBlock(std::size_t count)
{
    if (m_pendingLf && m_buffer[m_size] == kLf) {
        ++m_lineStart;
        ++m_searchFrom;
    }
    m_pendingLf = false;
    m_size += count;
}

void LineScanner::scanBlock()
{
    const char* data = m_buffer.data();
    const char* end = data + m_size;
    const char* position = data + m_lineStart;
    if (m_carried == Carried::Dropped) {
        position = dropLine(position, position, end, m_droppedSlot);
    } else if (m_carried == Carried::WrittenAhead) {
        position = continueWrittenAheadLine(position, end);
    }
    if (position == nullptr) {
        return;
    }
    const char* searchFrom = std::max(position, data + m_searchFrom);
    while (const std::optional<LiteralMatch> match = nextMatch(searchFrom, end)) {
        const char* lineBegin = lineStartBefore(position, match->position);
        m_writer.writeLines(position, lineBegin);
        position = dropLine(lineBegin, match->position + 1, end, match->slot);
        if (position == nullptr) {
            return;
        }
        searchFrom = position;
    }
    const char* lastCr = findLastCr(position, end);
    const char* incomplete = lastCr != nullptr ? afterTerminator(lastCr, end) : position;
    m_writer.writeLines(position, incomplete);
    carryIncompleteLine(incomplete, end);
}

std::optional<LiteralMatch> LineScanner::nextMatch(const char* from, const char* end) const
{
    const char* data = m_buffer.data();
    while (const std::optional<LiteralMatch> match = m_search.find(from, end)) {
        const char* at = match->position;
        // An LF right after a CR is part of the line end, not the start of a line's text.
        if (*at != kLf || at == data || at[-1] != kCr) {
            return match;
        }
        from = at + 1;
    }
    return std::nullopt;
}

const char* LineScanner::lineStartBefore(const char* from, const char* match) const
{
    const char* cr = findLastCr(from, match);
    if (cr == nullptr) {
        return from;
    }
    return cr[1] == kLf ? cr + 2 : cr + 1;
}

const char* LineScanner::continueWrittenAheadLine(const char* begin, const char* end)
{
    const char* cr = findCr(begin, end);
    const char* lineEnd = cr != nullptr ? cr : end;
    if (const std::optional<LiteralMatch> match = m_search.find(begin, lineEnd)) {
        m_writer.cutBack(m_aheadOffset);
        return dropLine(begin, match->position + 1, end, match->slot);
    }
    if (cr == nullptr) {
        carryIncompleteLine(begin, end);
        return nullptr;
    }
    m_writer.writeText(begin, cr);
    m_writer.endLine();
    m_carried = Carried::Unwritten;
    return afterTerminator(cr, end);
}

// Drops the line that begins at `lineBegin` (or whose held bytes do) and holds a match of
// `slot`; the rest of the line from `searchFrom` on may hold a lower slot. Returns where
// the next line begins, or null when the line goes on past the block.
const char* LineScanner::dropLine(const char* lineBegin, const char* searchFrom, const char* end,
                                  int slot)
{
    const char* cr = findCr(searchFrom, end);
    const int lowest = m_search.lowestSlotIn(searchFrom, cr != nullptr ? cr : end, slot);
    if (cr == nullptr) {
        m_carried = Carried::Dropped;
        m_droppedSlot = lowest;
        keepTail(lineBegin, end);
        return nullptr;
    }
    ++m_result.droppedPerSlot[static_cast<std::size_t>(lowest)];
    m_carried = Carried::Unwritten;
    return afterTerminator(cr, end);
}

const char* LineScanner::afterTerminator(const char* cr, const char* end)
{
    const char* next = cr + 1;
    if (next == end) {
        m_pendingLf = true;
        return end;
    }
    return *next == kLf ? next + 1 : next;
}

void LineScanner::carryIncompleteLine(const char* lineBegin, const char* end)
{
    const auto length = static_cast<std::size_t>(end - lineBegin);
    if (m_carried == Carried::Unwritten && length <= m_capacity / 2) {
        // The whole line waits for its end; it was searched up to its last m_overlap bytes.
        moveToFront(lineBegin, end);
        m_searchFrom = length > m_overlap ? length - m_overlap : 0;
        return;
    }
    if (m_carried == Carried::Unwritten) {
        m_carried = Carried::WrittenAhead;
        m_aheadOffset = m_writer.offset();
    }
    const char* tail = end - std::min(m_overlap, length);
    m_writer.writeText(lineBegin, tail);
    keepTail(tail, end);
}

void LineScanner::keepTail(const char* lineBegin, const char* end)
{
    const auto length = static_cast<std::size_t>(end - lineBegin);
    moveToFront(end - std::min(m_overlap, length), end);
    m_searchFrom = 0;
}

void LineScanner::moveToFront(const char* begin, const char* end)
{
    m_size = static_cast<std::size_t>(end - begin);
    std::memmove(m_buffer.data(), begin, m_size);
    m_lineStart = 0;
}

void LineScanner::finishLastLine()
{
    const char* begin = m_buffer.data() + m_lineStart;
    const char* end = m_buffer.data() + m_size;
    if (m_carried == Carried::Dropped) {
        ++m_result.droppedPerSlot[static_cast<std::size_t>(m_droppedSlot)];
    } else if (m_carried == Carried::WrittenAhead || begin < end) {
        m_writer.writeText(begin, end);
        m_writer.endLine();
    }
}

} // namespace

FilterResult filterLines(platform::FileSystem& fileSystem, int inputFd, int outputFd,
                         const TargetSlots& slots, std::size_t bufferSize)
{
    LineScanner scanner(fileSystem, inputFd, outputFd, slots,
                        bufferSize == 0 ? kDefaultBufferSize : bufferSize);
    return scanner.run();
}

} // namespace purgix::engine
