#include "line_filter.h"

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

const char* findLastByte(const char* begin, const char* end, char byte)
{
#if defined(__GLIBC__)
    return static_cast<const char*>(::memrchr(begin, byte, static_cast<std::size_t>(end - begin)));
#else
    while (end != begin) {
        if (*--end == byte) {
            return end;
        }
    }
    return nullptr;
#endif
}

bool holds(const char* begin, std::size_t size, char byte)
{
    return std::memchr(begin, byte, size) != nullptr;
}

// The slots with every text that holds `byte` emptied: a line never contains its own
// terminator, so such a text can never be found in a line.
TargetSlots withoutSlotsHolding(const TargetSlots& slots, char byte)
{
    TargetSlots result = slots;
    for (std::string& slot : result) {
        if (slot.find(byte) != std::string::npos) {
            slot.clear();
        }
    }
    return result;
}

// Reads the input block by block and searches each block as a whole for the targets;
// only a line holding a match is looked at as a line. Everything between two dropped
// lines is copied in one piece. The line that runs past a block's end waits in the
// buffer for the next block, or, when it is too long for that, is written ahead and cut
// back from the output if a target turns up later in it.
//
// Which bytes end lines is known only at the end of the file: one CR anywhere puts the
// whole file under the CR rule. The scan starts under the LF rule unless the first block
// holds a CR, and starts over under the CR rule when a later block brings the first CR.
class LineScanner
{
public:
    // With `fixedLineEnds`, the lines end as it says whatever the bytes hold.
    LineScanner(platform::ByteSource& source, platform::ByteSink& sink, const TargetSlots& slots,
                std::size_t bufferSize, std::optional<LineEnds> fixedLineEnds);

    FilterResult run();

private:
    // What is known of the line whose bytes begin the buffer.
    enum class Carried { Unwritten, WrittenAhead, Dropped };

    // Where the scan stands; all of it is reset when the scan starts over.
    struct State
    {
        std::size_t size = 0;       // bytes held in the buffer
        std::size_t lineStart = 0;  // where the carried line's held bytes begin
        std::size_t searchFrom = 0; // no occurrence starts before this
        bool pendingLf = false; // the last block ended in CR: an LF first in the next belongs to it
        bool sawLf = false;
        bool scanned = false; // some block was scanned already
        Carried carried = Carried::Unwritten;
        int droppedSlot = 0;
        std::int64_t aheadOffset = 0; // output offset where a line written ahead began
    };

    FilterResult fail(FilterResult::Failure failure, int errorNumber);
    void useLineEnds(LineEnds lineEnds);
    bool chooseLineEnds(std::size_t count);
    bool startOver();
    void acceptBlock(std::size_t count);
    void scanBlock();
    std::optional<LiteralMatch> nextMatch(const char* from, const char* end) const;
    const char* lineStartBefore(const char* from, const char* match) const;
    const char* continueWrittenAheadLine(const char* begin, const char* end);
    const char* dropLine(const char* lineBegin, const char* searchFrom, const char* end, int slot);
    const char* findTerminator(const char* begin, const char* end) const;
    const char* findLastTerminator(const char* begin, const char* end) const;
    const char* pastTerminator(const char* terminator) const;
    const char* afterTerminator(const char* terminator, const char* end);
    void carryIncompleteLine(const char* lineBegin, const char* end);
    void keepTail(const char* lineBegin, const char* end);
    void moveToFront(const char* begin, const char* end);
    void finishLastLine();

    platform::ByteSource& m_source;
    const TargetSlots& m_slots;
    bool m_lineEndsFixed;
    MultiLiteralSearch m_search;
    std::size_t m_capacity;
    std::vector<char> m_buffer;
    LineWriter m_writer;
    std::int64_t m_startOffset; // where the output began in the sink
    LineEnds m_lineEnds = LineEnds::Lf;
    char m_terminator = kLf;
    // Bytes of a line's end that may begin an occurrence finished only by the next block.
    std::size_t m_overlap = 0;
    State m_state;
    FilterResult m_result;
};

LineScanner::LineScanner(platform::ByteSource& source, platform::ByteSink& sink,
                         const TargetSlots& slots, std::size_t bufferSize,
                         std::optional<LineEnds> fixedLineEnds)
    : m_source(source), m_slots(slots), m_lineEndsFixed(fixedLineEnds.has_value()), m_search(slots),
      m_capacity(std::max(bufferSize, 2 * m_search.longestLength())),
      m_buffer(m_capacity + kSearchOverread), m_writer(sink, m_capacity),
      m_startOffset(sink.length())
{
    useLineEnds(fixedLineEnds.value_or(LineEnds::Lf));
}

FilterResult LineScanner::run()
{
    for (;;) {
        const std::ptrdiff_t count =
            m_source.read(m_buffer.data() + m_state.size, m_capacity - m_state.size);
        if (count < 0) {
            return fail(FilterResult::Failure::Read, errno);
        }
        if (count == 0) {
            break;
        }
        if (!chooseLineEnds(static_cast<std::size_t>(count))) {
            if (!startOver()) {
                return m_result;
            }
            continue;
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
    m_result.lineEnds = m_lineEnds;
    return m_result;
}

FilterResult LineScanner::fail(FilterResult::Failure failure, int errorNumber)
{
    m_result.failure = failure;
    m_result.errorNumber = errorNumber;
    return m_result;
}

void LineScanner::useLineEnds(LineEnds lineEnds)
{
    m_lineEnds = lineEnds;
    m_terminator = lineEnds == LineEnds::Lf ? kLf : kCr;
    m_search = lineEnds == LineEnds::Lf ? MultiLiteralSearch(withoutSlotsHolding(m_slots, kLf))
                                        : MultiLiteralSearch(m_slots);
    m_overlap = m_search.empty() ? 0 : m_search.longestLength() - 1;
    m_writer.setLineEnds(lineEnds);
}

// Looks at a new block under the LF rule: its first CR moves the file to the CR rule.
// Returns false when that happens after a block was scanned, so the scan must start over.
bool LineScanner::chooseLineEnds(std::size_t count)
{
    if (m_lineEndsFixed || m_lineEnds != LineEnds::Lf) {
        return true;
    }
    const char* block = m_buffer.data() + m_state.size;
    if (holds(block, count, kCr)) {
        if (m_state.scanned) {
            return false;
        }
        useLineEnds(LineEnds::CrOrCrLf);
        return true;
    }
    m_state.sawLf = m_state.sawLf || holds(block, count, kLf);
    return true;
}

// Reads the file again from its start under the CR rule, discarding what was written.
bool LineScanner::startOver()
{
    if (!m_source.rewind()) {
        fail(FilterResult::Failure::Read, errno);
        return false;
    }
    m_writer.cutBack(m_startOffset);
    if (m_writer.failed()) {
        fail(FilterResult::Failure::Write, m_writer.errorNumber());
        return false;
    }
    m_state = {};
    m_result = {};
    useLineEnds(LineEnds::CrOrCrLf);
    return true;
}

void LineScanner::acceptBlock(std::size_t count)
{
    if (m_state.pendingLf && m_buffer[m_state.size] == kLf) {
        ++m_state.lineStart;
        ++m_state.searchFrom;
    }
    m_state.pendingLf = false;
    m_state.scanned = true;
    m_state.size += count;
}

void LineScanner::scanBlock()
{
    const char* data = m_buffer.data();
    const char* end = data + m_state.size;
    const char* position = data + m_state.lineStart;
    if (m_state.carried == Carried::Dropped) {
        position = dropLine(position, position, end, m_state.droppedSlot);
    } else if (m_state.carried == Carried::WrittenAhead) {
        position = continueWrittenAheadLine(position, end);
    }
    if (position == nullptr) {
        return;
    }
    const char* searchFrom = std::max(position, data + m_state.searchFrom);
    while (const std::optional<LiteralMatch> match = nextMatch(searchFrom, end)) {
        const char* lineBegin = lineStartBefore(position, match->position);
        m_writer.writeLines(position, lineBegin);
        position = dropLine(lineBegin, match->position + 1, end, match->slot);
        if (position == nullptr) {
            return;
        }
        searchFrom = position;
    }
    const char* last = findLastTerminator(position, end);
    const char* incomplete = last != nullptr ? afterTerminator(last, end) : position;
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
    const char* terminator = findLastTerminator(from, match);
    return terminator != nullptr ? pastTerminator(terminator) : from;
}

const char* LineScanner::continueWrittenAheadLine(const char* begin, const char* end)
{
    const char* cr = findTerminator(begin, end);
    const char* lineEnd = cr != nullptr ? cr : end;
    if (const std::optional<LiteralMatch> match = m_search.find(begin, lineEnd)) {
        m_writer.cutBack(m_state.aheadOffset);
        return dropLine(begin, match->position + 1, end, match->slot);
    }
    if (cr == nullptr) {
        carryIncompleteLine(begin, end);
        return nullptr;
    }
    m_writer.writeText(begin, cr);
    m_writer.endLine();
    m_state.carried = Carried::Unwritten;
    return afterTerminator(cr, end);
}

// Drops the line that begins at `lineBegin` (or whose held bytes do) and holds a match of
// `slot`; the rest of the line from `searchFrom` on may hold a lower slot. Returns where
// the next line begins, or null when the line goes on past the block.
const char* LineScanner::dropLine(const char* lineBegin, const char* searchFrom, const char* end,
                                  int slot)
{
    const char* cr = findTerminator(searchFrom, end);
    const int lowest = m_search.lowestSlotIn(searchFrom, cr != nullptr ? cr : end, slot);
    if (cr == nullptr) {
        m_state.carried = Carried::Dropped;
        m_state.droppedSlot = lowest;
        keepTail(lineBegin, end);
        return nullptr;
    }
    ++m_result.droppedPerSlot[static_cast<std::size_t>(lowest)];
    m_state.carried = Carried::Unwritten;
    return afterTerminator(cr, end);
}

const char* LineScanner::findTerminator(const char* begin, const char* end) const
{
    return static_cast<const char*>(
        std::memchr(begin, m_terminator, static_cast<std::size_t>(end - begin)));
}

const char* LineScanner::findLastTerminator(const char* begin, const char* end) const
{
    return findLastByte(begin, end, m_terminator);
}

// Where the line after `terminator` begins; `terminator` is not the last byte held.
const char* LineScanner::pastTerminator(const char* terminator) const
{
    const bool pairedLf = m_lineEnds == LineEnds::CrOrCrLf && terminator[1] == kLf;
    return pairedLf ? terminator + 2 : terminator + 1;
}

const char* LineScanner::afterTerminator(const char* terminator, const char* end)
{
    if (terminator + 1 == end) {
        m_state.pendingLf = m_lineEnds == LineEnds::CrOrCrLf;
        return end;
    }
    return pastTerminator(terminator);
}

void LineScanner::carryIncompleteLine(const char* lineBegin, const char* end)
{
    const auto length = static_cast<std::size_t>(end - lineBegin);
    if (m_state.carried == Carried::Unwritten && length <= m_capacity / 2) {
        // The whole line waits for its end; it was searched up to its last m_overlap bytes.
        moveToFront(lineBegin, end);
        m_state.searchFrom = length > m_overlap ? length - m_overlap : 0;
        return;
    }
    if (m_state.carried == Carried::Unwritten) {
        m_state.carried = Carried::WrittenAhead;
        m_state.aheadOffset = m_writer.offset();
    }
    const char* tail = end - std::min(m_overlap, length);
    m_writer.writeText(lineBegin, tail);
    keepTail(tail, end);
}

void LineScanner::keepTail(const char* lineBegin, const char* end)
{
    const auto length = static_cast<std::size_t>(end - lineBegin);
    moveToFront(end - std::min(m_overlap, length), end);
    m_state.searchFrom = 0;
}

void LineScanner::moveToFront(const char* begin, const char* end)
{
    m_state.size = static_cast<std::size_t>(end - begin);
    std::memmove(m_buffer.data(), begin, m_state.size);
    m_state.lineStart = 0;
}

void LineScanner::finishLastLine()
{
    const char* begin = m_buffer.data() + m_state.lineStart;
    const char* end = m_buffer.data() + m_state.size;
    if (!m_lineEndsFixed && m_lineEnds == LineEnds::Lf && !m_state.sawLf) {
        // Neither CR nor LF: the file is one line under the CR rule.
        m_writer.setLineEnds(LineEnds::CrOrCrLf);
    }
    if (m_state.carried == Carried::Dropped) {
        ++m_result.droppedPerSlot[static_cast<std::size_t>(m_state.droppedSlot)];
    } else if (m_state.carried == Carried::WrittenAhead || begin < end) {
        m_writer.writeText(begin, end);
        m_writer.endLine();
    }
}

} // namespace

FilterResult filterLines(platform::ByteSource& source, platform::ByteSink& sink,
                         const TargetSlots& slots, std::size_t bufferSize)
{
    LineScanner scanner(source, sink, slots, bufferSize == 0 ? kDefaultBufferSize : bufferSize,
                        std::nullopt);
    return scanner.run();
}

FilterResult filterAppendedLines(platform::ByteSource& source, platform::ByteSink& sink,
                                 const TargetSlots& slots, LineEnds lineEnds)
{
    LineScanner scanner(source, sink, slots, kDefaultBufferSize, lineEnds);
    return scanner.run();
}

} // namespace purgix::engine
