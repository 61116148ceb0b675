#include "engine/line_filter.h"

#include "engine/detail/line_end_search.h"
#include "engine/detail/line_writer.h"
#include "engine/detail/multi_literal_search.h"

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

// The slots whose texts can occur inside a line: a line never holds the bytes that end
// lines, LF under the Lf rule and CR or LF under CrLf, so texts holding one are emptied.
Targets searchableSlots(const Targets& slots, LineEnds lineEnds)
{
    const std::string_view lineEndBytes = lineEnds == LineEnds::Lf ? "\n" : "\r\n";
    Targets result = slots;
    for (std::string& slot : result) {
        if (slot.find_first_of(lineEndBytes) != std::string::npos) {
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
// Dropped lines may go to a second output, written as kept lines are. A line written ahead
// goes to both outputs, and is cut back from the one it turns out not to belong to.
//
// Which bytes end lines is known only at the end of the file, from the count of its line
// ends. The scan follows the rule of the first block that holds a line end (until then
// there is nothing to tell the rules apart) and counts on; when the whole file's count
// calls for the other rule, it starts over under that one.
class LineScanner
{
public:
    // With `fixedLineEnds`, the lines end as it says whatever the bytes hold. With
    // `deleted`, dropped lines go there.
    LineScanner(platform::ByteSource& source, platform::ByteSink& sink, const Targets& slots,
                std::size_t bufferSize, std::optional<LineEnds> fixedLineEnds,
                platform::ByteSink* deleted);

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
        Carried carried = Carried::Unwritten;
        int droppedSlot = 0;
        std::int64_t aheadOffset = 0;        // output offset where a line written ahead began
        std::int64_t deletedAheadOffset = 0; // the same in the output of dropped lines
    };

    FilterResult fail(FilterResult::Failure failure, int errorNumber);
    bool outputFailed();
    void useLineEnds(LineEnds lineEnds);
    void countLineEnds(std::size_t count);
    bool needsSecondScan() const;
    bool startOver(LineEnds lineEnds);
    void acceptBlock(std::size_t count);
    void scanBlock();
    const char* lineStartBefore(const char* from, const char* match) const;
    const char* continueWrittenAheadLine(const char* begin, const char* end);
    void keepWrittenAheadLine(const char* begin, const char* end);
    const char* dropLine(const char* lineBegin, const char* searchFrom, const char* end, int slot);
    const char* findTerminator(const char* begin, const char* end) const;
    const char* findLastTerminator(const char* begin, const char* end) const;
    const char* nextLineStart(const char* terminator) const;
    const char* stepOverTerminator(const char* terminator, const char* end);
    void carryIncompleteLine(const char* lineBegin, const char* end);
    const char* tailStart(const char* lineBegin, const char* end) const;
    void keepTail(const char* tail, const char* end);
    void writeDropped(const char* begin, const char* end);
    void writeDroppedLine(const char* begin, const char* end);
    void moveToFront(const char* begin, const char* end);
    void finishLastLine();

    platform::ByteSource& m_source;
    const Targets& m_slots;
    bool m_lineEndsFixed;
    bool m_lineEndsChosen = false; // a block with a line end chose the rule
    LineEndCounter m_lineEndCount;
    std::uint64_t m_bytesRead = 0;
    MultiLiteralSearch m_search;
    std::size_t m_capacity;
    std::vector<char> m_buffer;
    LineWriter m_writer;
    std::int64_t m_startOffset;                // where the output began in the sink
    std::optional<LineWriter> m_deletedWriter; // the output of dropped lines, if wanted
    std::int64_t m_deletedStartOffset = 0;
    LineEnds m_lineEnds = LineEnds::Lf;
    // Bytes of a line's end that may begin an occurrence finished only by the next block.
    std::size_t m_overlap = 0;
    State m_state;
    FilterResult m_result;
};

LineScanner::LineScanner(platform::ByteSource& source, platform::ByteSink& sink,
                         const Targets& slots, std::size_t bufferSize,
                         std::optional<LineEnds> fixedLineEnds, platform::ByteSink* deleted)
    : m_source(source), m_slots(slots), m_lineEndsFixed(fixedLineEnds.has_value()), m_search(slots),
      m_capacity(std::max(bufferSize, 2 * m_search.longestLength())),
      m_buffer(m_capacity + kSearchOverread), m_writer(sink, m_capacity),
      m_startOffset(sink.length())
{
    if (deleted != nullptr) {
        m_deletedWriter.emplace(*deleted, m_capacity);
        m_deletedStartOffset = deleted->length();
    }
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
            if (!needsSecondScan()) {
                break;
            }
            if (!startOver(m_lineEndCount.lineEnds())) {
                return m_result;
            }
            continue;
        }
        m_search.forgetText();
        countLineEnds(static_cast<std::size_t>(count));
        acceptBlock(static_cast<std::size_t>(count));
        scanBlock();
        if (outputFailed()) {
            return m_result;
        }
    }
    finishLastLine();
    m_writer.flush();
    if (m_deletedWriter) {
        m_deletedWriter->flush();
    }
    if (outputFailed()) {
        return m_result;
    }
    m_result.lineEnds = m_lineEnds;
    m_result.sameAsSource =
        m_result.droppedPerSlot == decltype(m_result.droppedPerSlot){} &&
        m_writer.offset() - m_startOffset == static_cast<std::int64_t>(m_bytesRead);
    return m_result;
}

FilterResult LineScanner::fail(FilterResult::Failure failure, int errorNumber)
{
    m_result.failure = failure;
    m_result.errorNumber = errorNumber;
    return m_result;
}

// Records the failure of either output, if one failed.
bool LineScanner::outputFailed()
{
    if (m_writer.failed()) {
        fail(FilterResult::Failure::Write, m_writer.errorNumber());
        return true;
    }
    if (m_deletedWriter && m_deletedWriter->failed()) {
        fail(FilterResult::Failure::WriteDeleted, m_deletedWriter->errorNumber());
        return true;
    }
    return false;
}

void LineScanner::useLineEnds(LineEnds lineEnds)
{
    m_lineEnds = lineEnds;
    m_search = MultiLiteralSearch(searchableSlots(m_slots, lineEnds));
    m_overlap = m_search.empty() ? 0 : m_search.longestLength() - 1;
    m_writer.setLineEnds(lineEnds);
    if (m_deletedWriter) {
        m_deletedWriter->setLineEnds(lineEnds);
    }
}

// Counts the line ends of a new block; the first block that holds one chooses the rule.
void LineScanner::countLineEnds(std::size_t count)
{
    m_bytesRead += count;
    if (m_lineEndsFixed) {
        return;
    }
    const char* block = m_buffer.data() + m_state.size;
    m_lineEndCount.add(block, block + count);
    if (!m_lineEndsChosen && m_lineEndCount.sawLineEnd()) {
        m_lineEndsChosen = true;
        if (m_lineEndCount.lineEnds() != m_lineEnds) {
            useLineEnds(m_lineEndCount.lineEnds());
        }
    }
}

// Whether the whole file's count calls for another rule than the one the scan followed.
bool LineScanner::needsSecondScan() const
{
    return !m_lineEndsFixed && m_lineEndsChosen && m_lineEndCount.lineEnds() != m_lineEnds;
}

// Reads the file again from its start under `lineEnds`, discarding what was written.
bool LineScanner::startOver(LineEnds lineEnds)
{
    if (!m_source.rewind()) {
        fail(FilterResult::Failure::Read, errno);
        return false;
    }
    m_writer.cutBack(m_startOffset);
    if (m_deletedWriter) {
        m_deletedWriter->cutBack(m_deletedStartOffset);
    }
    if (outputFailed()) {
        return false;
    }
    m_state = {};
    m_result = {};
    m_bytesRead = 0;
    m_lineEndsFixed = true;
    useLineEnds(lineEnds);
    return true;
}

void LineScanner::acceptBlock(std::size_t count)
{
    if (m_state.pendingLf && m_buffer[m_state.size] == kLf) {
        ++m_state.lineStart;
        ++m_state.searchFrom;
    }
    m_state.pendingLf = false;
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
    while (const std::optional<LiteralMatch> match = m_search.find(searchFrom, end)) {
        const char* lineBegin = lineStartBefore(position, match->position);
        m_writer.writeLines(position, lineBegin);
        position = dropLine(lineBegin, match->position + 1, end, match->slot);
        if (position == nullptr) {
            return;
        }
        searchFrom = position;
    }
    const char* last = findLastTerminator(position, end);
    const char* incomplete = last != nullptr ? stepOverTerminator(last, end) : position;
    m_writer.writeLines(position, incomplete);
    carryIncompleteLine(incomplete, end);
}

const char* LineScanner::lineStartBefore(const char* from, const char* match) const
{
    const char* terminator = findLastTerminator(from, match);
    return terminator != nullptr ? nextLineStart(terminator) : from;
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
    keepWrittenAheadLine(begin, cr);
    m_state.carried = Carried::Unwritten;
    return stepOverTerminator(cr, end);
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
        // The bytes kept for the next block go to the dropped lines' output with that block's.
        const char* tail = tailStart(lineBegin, end);
        writeDropped(lineBegin, tail);
        keepTail(tail, end);
        return nullptr;
    }
    ++m_result.droppedPerSlot[static_cast<std::size_t>(lowest)];
    writeDroppedLine(lineBegin, cr);
    m_state.carried = Carried::Unwritten;
    return stepOverTerminator(cr, end);
}

const char* LineScanner::findTerminator(const char* begin, const char* end) const
{
    if (m_lineEnds == LineEnds::CrLf) {
        return findLineEnd(begin, end);
    }
    return static_cast<const char*>(std::memchr(begin, kLf, static_cast<std::size_t>(end - begin)));
}

const char* LineScanner::findLastTerminator(const char* begin, const char* end) const
{
    return m_lineEnds == LineEnds::CrLf ? findLastLineEnd(begin, end)
                                        : findLastByte(begin, end, kLf);
}

// Where the line after `terminator` begins; `terminator` is not the last byte held.
const char* LineScanner::nextLineStart(const char* terminator) const
{
    const bool pairedLf =
        m_lineEnds == LineEnds::CrLf && terminator[0] == kCr && terminator[1] == kLf;
    return pairedLf ? terminator + 2 : terminator + 1;
}

// Where the line after `terminator` begins. A CR that is the last byte held may be the
// first half of a CR LF pair: the scanner notes that the next block may begin with its LF.
const char* LineScanner::stepOverTerminator(const char* terminator, const char* end)
{
    if (terminator + 1 == end) {
        m_state.pendingLf = m_lineEnds == LineEnds::CrLf && *terminator == kCr;
        return end;
    }
    return nextLineStart(terminator);
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
        if (m_deletedWriter) {
            m_state.deletedAheadOffset = m_deletedWriter->offset();
        }
    }
    const char* tail = tailStart(lineBegin, end);
    m_writer.writeText(lineBegin, tail);
    writeDropped(lineBegin, tail);
    keepTail(tail, end);
}

// Where the last bytes of a line that may begin an occurrence with the next block begin.
const char* LineScanner::tailStart(const char* lineBegin, const char* end) const
{
    return end - std::min(m_overlap, static_cast<std::size_t>(end - lineBegin));
}

// Keeps only the line's bytes from `tail` on; they are searched again with the next block.
void LineScanner::keepTail(const char* tail, const char* end)
{
    moveToFront(tail, end);
    m_state.searchFrom = 0;
}

// Ends a line written ahead that turned out to hold no target, from its held bytes on: it
// stays in the output and leaves the dropped lines' output.
void LineScanner::keepWrittenAheadLine(const char* begin, const char* end)
{
    m_writer.writeText(begin, end);
    m_writer.endLine();
    if (m_deletedWriter) {
        m_deletedWriter->cutBack(m_state.deletedAheadOffset);
    }
}

// Bytes of a dropped line, or of a line written ahead, for the dropped lines' output.
void LineScanner::writeDropped(const char* begin, const char* end)
{
    if (m_deletedWriter) {
        m_deletedWriter->writeText(begin, end);
    }
}

// The bytes of a dropped line not written yet, and its line end.
void LineScanner::writeDroppedLine(const char* begin, const char* end)
{
    if (m_deletedWriter) {
        m_deletedWriter->writeText(begin, end);
        m_deletedWriter->endLine();
    }
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
    if (!m_lineEndsFixed && !m_lineEndsChosen) {
        // No line end at all: the file is one line under the CrLf rule.
        m_writer.setLineEnds(LineEnds::CrLf);
        if (m_deletedWriter) {
            m_deletedWriter->setLineEnds(LineEnds::CrLf);
        }
    }
    if (m_state.carried == Carried::Dropped) {
        ++m_result.droppedPerSlot[static_cast<std::size_t>(m_state.droppedSlot)];
        writeDroppedLine(begin, end);
    } else if (m_state.carried == Carried::WrittenAhead) {
        keepWrittenAheadLine(begin, end);
    } else if (begin < end) {
        m_writer.writeText(begin, end);
        m_writer.endLine();
    }
}

} // namespace

FilterResult filterLines(platform::ByteSource& source, platform::ByteSink& sink,
                         const Targets& slots, std::size_t bufferSize, platform::ByteSink* deleted)
{
    LineScanner scanner(source, sink, slots, bufferSize == 0 ? kDefaultBufferSize : bufferSize,
                        std::nullopt, deleted);
    return scanner.run();
}

FilterResult filterAppendedLines(platform::ByteSource& source, platform::ByteSink& sink,
                                 const Targets& slots, LineEnds lineEnds,
                                 platform::ByteSink* deleted)
{
    LineScanner scanner(source, sink, slots, kDefaultBufferSize, lineEnds, deleted);
    return scanner.run();
}

} // namespace purgix::engine
