#include "platform/files/save_file.h"

#include "platform/files/detail/backup_file.h"
#include "platform/files/detail/file_stream.h"
#include "platform/files/detail/interrupted_rewrite.h"
#include "platform/files/detail/native_files.h"
#include "platform/files/detail/path_names.h"
#include "platform/files/detail/signal_cleanup.h"
#include "platform/files/detail/temporary_file.h"
#include "platform/files/detail/temporary_names.h"
#include "platform/files/locked_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <span>
#include <thread>
#include <utility>
#include <vector>

namespace purgix::platform {

namespace {

// Rounds of carrying appended lines over before a file that keeps growing counts as
// changed.
constexpr int kSettleRounds = 16;
// How long a writer that still has the file open gets between two looks.
constexpr std::chrono::milliseconds kWriterPause{1};

// Where the last whole line among the bytes from `from` to `to` ends: just past its LF, or
// `from` when none of them is an LF. Every rule of line ends ends a line at an LF, so
// what lies before it is whole lines, and what follows may be a line still being written.
// The file is left at `from`.
std::optional<std::int64_t> wholeLinesEnd(FileSystem& fileSystem, NativeHandle file,
                                          std::int64_t from, std::int64_t to)
{
    std::array<char, 4096> block{};
    std::int64_t found = from;
    for (std::int64_t end = to; end > from && found == from;) {
        const std::int64_t start =
            std::max<std::int64_t>(from, end - static_cast<std::int64_t>(block.size()));
        const std::span<char> part(block.data(), static_cast<std::size_t>(end - start));
        const std::ptrdiff_t count = readAt(fileSystem, file, start, part.data(), part.size());
        if (count < 0) {
            return std::nullopt;
        }
        if (count != static_cast<std::ptrdiff_t>(part.size())) {
            break; // the file shrank: nothing is carried, and the change shows later
        }
        const auto lastLf = std::find(part.rbegin(), part.rend(), '\n');
        if (lastLf != part.rend()) {
            found = start + static_cast<std::int64_t>(part.rend() - lastLf);
        }
        end = start;
    }
    if (!seekTo(fileSystem, file, from)) {
        return std::nullopt;
    }
    return found;
}

// Keeps every other program from opening a file, once hold() has succeeded, for as long as
// it lives, where the system allows that.
class OthersKeptOut
{
public:
    OthersKeptOut(FileSystem& fileSystem, NativeHandle file)
        : m_fileSystem(fileSystem), m_file(file)
    {
    }
    OtherWriters hold()
    {
        const OtherWriters writers = keepOthersOut(m_fileSystem, m_file);
        m_held = writers == OtherWriters::None;
        return writers;
    }
    ~OthersKeptOut()
    {
        if (m_held) {
            letOthersIn(m_fileSystem, m_file);
        }
    }
    OthersKeptOut(const OthersKeptOut&) = delete;
    OthersKeptOut& operator=(const OthersKeptOut&) = delete;

private:
    FileSystem& m_fileSystem;
    NativeHandle m_file;
    bool m_held = false;
};

} // namespace

struct SaveFile::State
{
    State(FileSystem& files, std::string userPath, Use how, std::string staging)
        : fileSystem(files), path(std::move(userPath)), use(how), stagingFolder(std::move(staging))
    {
    }

    std::optional<FileError> resolve();
    std::optional<FileError> lockOriginal();
    std::optional<FileError> whyNotWritable() const;
    std::optional<FileError> createContent(NativeHandle folder, const std::string& folderPath);
    std::optional<FileError> createContentBeside();
    std::optional<FileError> chooseInPlace();
    std::optional<FileError> openForRewrite();
    // Whether a carry round takes only whole lines, leaving a line still being written
    // to a later round, or everything, a last line without its end included.
    enum class Carry { WholeLines, Everything };
    std::optional<FileError> carry(const CarryOver& carryOver, ByteSink& into, Carry what);
    // What others did to the file since it was locked. TimeChanged: its time changed but not
    // its size, as when a write is under way (the time is set before the size) or when
    // someone rewrote bytes in place; only a second look tells.
    enum class Outside { None, Appended, TimeChanged, Changed, Unknown };
    Outside outsideChange();
    std::optional<FileError> settle(const CarryOver& carryOver, bool untilStill);
    std::optional<FileError> grewByAppending();
    std::optional<FileError> refuseWhileKeptOpenForWriting();
    bool nobodyElseWriting(int round);
    std::optional<FileError> carryUntilClosed(const CarryOver& carryOver, ByteSink& into);
    std::optional<FileError> backUp(BackupKind kind);
    std::optional<FileError> renameOver(const CarryOver& carryOver);
    std::optional<FileError> rewriteInPlace(const CarryOver& carryOver);
    std::optional<FileError> carryWithOthersKeptOut(const CarryOver& carryOver,
                                                    OthersKeptOut& keptOut);
    std::optional<FileError> copyBack(NativeHandle writer, std::int64_t length);
    std::optional<FileError> keepCopyUntilRewritten(std::int64_t length);
    std::optional<FileError> finishInterruptedRewrite();
    FileError rewriteFailed(int errorNumber);
    FileError cannot(std::string_view action, int errorNumber) const
    {
        return FileError::cannot(action, path, errorNumber);
    }
    // What a failure to reach the file says it could not do.
    std::string_view openAction() const { return use == Use::Replace ? "open" : "write"; }
    FileError writeErrorFor(int errorNumber) const
    {
        if (use == Use::Save) {
            return cannot("write", errorNumber);
        }
        const std::string& folder = newContent ? newContent->folder() : location.folderPath();
        return FileError::newContent(path, folder, errorNumber);
    }

    FileSystem& fileSystem;
    std::string path; // as the user named it, for messages
    Use use;
    std::string stagingFolder;
    FileLocation location; // with symbolic links resolved: the file that is replaced
    bool exists = false;
    bool inPlace = false;
    LockedFile original;
    NativeFile rewriter; // the original, open for writing, when rewritten in place
    std::optional<TemporaryFile> newContent;
    std::optional<FileSource> source;
    std::optional<FileSink> sink;
    LockWait lockWait;
    std::string backupPath;          // where commit() keeps the old content; none when empty
    Privileges privileges;           // what writing takes from the file, to give back
    int statError = 0;               // why outsideChange() could not tell
    bool sawAppends = false;         // another program appended to the file during the run
    std::int64_t rewriteLength = -1; // of the new content in a copy that a note follows
    std::string notice;              // what the user should learn besides the outcome
    std::int64_t lookedAt = 0;       // the file's size when a carry round last looked at it
};

std::optional<FileError> SaveFile::State::resolve()
{
    if (const std::optional<std::string> link = plantedLink(fileSystem, path)) {
        return FileError::cannot(openAction(), path,
                                 "\"" + *link +
                                     "\" is a link that another user made in a folder that "
                                     "others may write");
    }
    if (const int error = resolveLocation(fileSystem, path, location); error != 0) {
        return cannot(openAction(), error);
    }
    // A file to save counts as missing only when the system says so; any other failure
    // to look at it is reported by the attempt to open it.
    FileStatus status;
    const int error = use == Use::Replace ? 0 : statAt(fileSystem, location, status);
    exists = !isMissing(error);
    return std::nullopt;
}

std::optional<FileError> SaveFile::State::lockOriginal()
{
    original = openLockedRegularFile(fileSystem, location, &mustRewriteInPlace, lockWait);
    return lockedFileFailure(original, path, openAction(), lockWait);
}

// A rename needs no permission on the file itself, so this is checked first: a file the
// process may not write to stays as it is, and so does one without a single write bit,
// even for root.
std::optional<FileError> SaveFile::State::whyNotWritable() const
{
    if (!original.status.writeBits) {
        return FileError::cannot("replace", path, "it is read-only");
    }
    if (const int error = checkWriteAccess(fileSystem, location); error != 0) {
        return cannot("replace", error);
    }
    return std::nullopt;
}

std::optional<FileError> SaveFile::State::createContent(NativeHandle folder,
                                                        const std::string& folderPath)
{
    // Beside the locked file, a named new file takes the name the next run removes.
    const bool besideLockedFile = exists && folder == location.folder();
    newContent.emplace(fileSystem, folder, folderPath, besideFilePrefix(location.name()),
                       besideLockedFile);
    if (!newContent->isOpen()) {
        return writeErrorFor(newContent->creationError());
    }
    sink.emplace(fileSystem, newContent->handle());
    if (exists && original.status.sparse) {
        sink->keepHoles();
    }
    return std::nullopt;
}

// Beside the file, where it can be renamed over it; where the folder takes no new file,
// a file that must be rewritten in place anyway is staged in the temporary folder.
std::optional<FileError> SaveFile::State::createContentBeside()
{
    std::optional<FileError> failure = createContent(location.folder(), location.folderPath());
    if (!failure || !isDenied(newContent->creationError())) {
        return failure;
    }
    inPlace = true;
    return createContent(noHandle(), stagingFolder);
}

// Whether a rename would lose what the file is: its owner and group, which only root
// or the owner may give; its other names; its attributes, tried on the new file itself.
std::optional<FileError> SaveFile::State::chooseInPlace()
{
    inPlace = mustRewriteInPlace(original.status);
    if (std::optional<FileError> failure = createContentBeside()) {
        return failure;
    }
    if (!inPlace &&
        copyIdentity(fileSystem, original.file.get(), original.status, newContent->handle()) != 0) {
        inPlace = true;
    }
    return inPlace && !original.writable ? openForRewrite() : std::nullopt;
}

std::optional<FileError> SaveFile::State::openForRewrite()
{
    FileStatus status;
    int error = openForWriting(fileSystem, location, rewriter);
    if (error == 0) {
        error = statOpen(fileSystem, rewriter.get(), status);
    }
    if (error != 0) {
        return cannot("replace", error);
    }
    if (!isSameFile(status, original.status)) {
        return FileError::changed(path);
    }
    return std::nullopt;
}

// Growth is an append only while the bytes read are still the file's first bytes.
std::optional<FileError> SaveFile::State::grewByAppending()
{
    const std::optional<bool> appended = source->stillHoldsWhatWasRead();
    if (!appended) {
        return cannot("read", errno);
    }
    return *appended ? std::nullopt : std::optional(FileError::changed(path));
}

// Brings lines appended to the old file since it was read over to the new content.
std::optional<FileError> SaveFile::State::carry(const CarryOver& carryOver, ByteSink& into,
                                                Carry what)
{
    if (use != Use::Replace || !original.file.isOpen()) {
        return std::nullopt;
    }
    FileStatus status;
    if (const int error = statOpen(fileSystem, original.file.get(), status); error != 0) {
        return cannot("read", error);
    }
    lookedAt = std::max(lookedAt, status.size);
    if (status.size <= source->offset()) {
        return std::nullopt;
    }
    sawAppends = true;
    if (std::optional<FileError> failure = grewByAppending()) {
        return failure;
    }
    std::optional<std::int64_t> end = status.size;
    if (what == Carry::WholeLines) {
        end = wholeLinesEnd(fileSystem, original.file.get(), source->offset(), status.size);
    }
    if (!end) {
        return cannot("read", errno);
    }
    source->endAt(what == Carry::WholeLines ? end : std::nullopt);
    std::optional<FileError> failure = carryOver(*source, into);
    source->endAt(std::nullopt);
    return failure;
}

// Another writer's content must not be overwritten with a result computed from the
// content it replaced. Growth is an append, to be carried over; anything else is a change.
SaveFile::State::Outside SaveFile::State::outsideChange()
{
    FileStatus current;
    if (const int error = statAt(fileSystem, location, current); error != 0) {
        statError = error;
        return Outside::Unknown;
    }
    const FileStatus& before = original.status;
    if (!isSameFile(before, current)) {
        return Outside::Changed;
    }
    if (use == Use::Replace && current.size > before.size) {
        const std::int64_t carried = std::max(lookedAt, source->offset());
        return current.size > carried ? Outside::Appended : Outside::None;
    }
    if (current.size != before.size) {
        return Outside::Changed;
    }
    return isUnchanged(before, current) ? Outside::None : Outside::TimeChanged;
}

// Brings appended lines over and flushes the new content. With `untilStill`, until no
// other writer has added anything since; without, lines still arriving are left to the
// carry after the rename, which reads the old file to its end.
std::optional<FileError> SaveFile::State::settle(const CarryOver& carryOver, bool untilStill)
{
    for (int round = 0; round < kSettleRounds; ++round) {
        if (std::optional<FileError> failure = carry(carryOver, *sink, Carry::WholeLines)) {
            return failure;
        }
        if (const int error = flushFile(fileSystem, newContent->handle()); error != 0) {
            return writeErrorFor(error);
        }
        switch (exists ? outsideChange() : Outside::None) {
        case Outside::None:
            return std::nullopt;
        case Outside::Changed:
            return FileError::changed(path);
        case Outside::Unknown:
            return cannot("replace", statError);
        case Outside::Appended:
            if (!untilStill) {
                return grewByAppending();
            }
            break;
        case Outside::TimeChanged:
            std::this_thread::sleep_for(kWriterPause);
            break;
        }
    }
    return FileError::changed(path);
}

// A program that keeps the file open for writing (a logging daemon) would go on writing to
// the replaced file, or over the new content: its lines would be lost without a word. A
// writer that only appends a line and closes the file gets a moment; one that stays is
// named, where the system tells which, and the file is left as it is.
std::optional<FileError> SaveFile::State::refuseWhileKeptOpenForWriting()
{
    if (!exists || !original.file.isOpen()) {
        return std::nullopt;
    }
    std::optional<std::string> writer;
    for (int round = 0; round < kSettleRounds; ++round) {
        if (otherWriters(fileSystem, original.file.get()) != OtherWriters::Some) {
            return std::nullopt;
        }
        writer = writerOf(fileSystem, original.file.get());
        if (!writer) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(kWriterPause);
    }
    return FileError::cannot("replace", path, "it is kept open for writing by " + *writer);
}

// Whether no other program has the old file open for writing any more, so that nothing
// more can be added to it. Where the system cannot tell, a writer seen during the run
// gets a moment to finish.
bool SaveFile::State::nobodyElseWriting(int round)
{
    if (!original.file.isOpen()) {
        return true;
    }
    switch (otherWriters(fileSystem, original.file.get())) {
    case OtherWriters::None:
        return true;
    case OtherWriters::Some:
        return false;
    case OtherWriters::Unknown:
        break;
    }
    return round > 0 || !sawAppends;
}

// A writer that still has the old file open may add to it; what it adds is carried over,
// whole lines only, until it has closed the file (or until the last round), and only then
// may a last line without its end be completed.
std::optional<FileError> SaveFile::State::carryUntilClosed(const CarryOver& carryOver,
                                                           ByteSink& into)
{
    for (int round = 0; round < kSettleRounds; ++round) {
        const bool last = nobodyElseWriting(round) || round + 1 == kSettleRounds;
        const Carry what = last ? Carry::Everything : Carry::WholeLines;
        if (std::optional<FileError> failure = carry(carryOver, into, what)) {
            return failure;
        }
        if (last) {
            break;
        }
        std::this_thread::sleep_for(kWriterPause);
    }
    return std::nullopt;
}

std::optional<FileError> SaveFile::State::backUp(BackupKind kind)
{
    if (backupPath.empty() || !exists) {
        return std::nullopt;
    }
    const BackedUpFile file{original.file.get(), location, original.status};
    if (std::optional<FileError> failure = keepBackup(fileSystem, backupPath, file, kind)) {
        return failure;
    }
    // A copy reads the file through its handle: reading goes on where it was.
    if (!seekTo(fileSystem, original.file.get(), source->offset())) {
        return cannot("read", errno);
    }
    return std::nullopt;
}

std::optional<FileError> SaveFile::State::renameOver(const CarryOver& carryOver)
{
    if (!exists) {
        if (const int error = giveNewFileMode(fileSystem, newContent->handle()); error != 0) {
            return writeErrorFor(error);
        }
    }
    if (std::optional<FileError> failure = settle(carryOver, false)) {
        return failure;
    }
    if (std::optional<FileError> failure = refuseWhileKeptOpenForWriting()) {
        return failure;
    }
    if (const int error = restorePrivileges(fileSystem, newContent->handle(), privileges);
        error != 0) {
        return writeErrorFor(error);
    }
    // Just before the rename, as the backup replaces an earlier one, which a run refused
    // after it would have lost for nothing.
    if (std::optional<FileError> failure = backUp(BackupKind::Link)) {
        return failure;
    }
    // Until the lines carried late are in, no other program can open the new file: what
    // others append to it comes after them, in the order it was written.
    OthersKeptOut keptOut(fileSystem, newContent->handle());
    keptOut.hold();
    const TemporaryFile::MoveOutcome moved =
        newContent->moveOver(location, exists ? &original.status : nullptr, original.file);
    if (moved.foundAnother) {
        return FileError::changed(path);
    }
    if (moved.error != 0) {
        return cannot("replace", moved.error);
    }
    // The file is public now, and others may append to it too: the lines carried from
    // here on go on at its end in a single write.
    StringSink late;
    if (std::optional<FileError> failure = carryUntilClosed(carryOver, late)) {
        return failure;
    }
    if (!late.bytes().empty()) {
        if (const int error = newContent->appendAfterMove(location, late.bytes(), privileges);
            error != 0) {
            return writeErrorFor(error);
        }
    }
    syncFolder(fileSystem, location);
    return std::nullopt;
}

// The file may be half rewritten: its new content stays where the user can find it,
// without the note.
FileError SaveFile::State::rewriteFailed(int errorNumber)
{
    if (rewriteLength >= 0) {
        static_cast<void>(cutAt(fileSystem, newContent->handle(), rewriteLength));
    }
    return FileError::cannot("rewrite", path,
                             errorReason(systemError(errorNumber)) +
                                 "; its new content is kept in \"" + newContent->keep() + "\"");
}

// With the file open for writing, the last lines are carried once no other program has
// it open, and from then until the copy-back is done none can open it: nothing can be
// appended that the rewrite would cut off. Where that cannot be had (a file this process
// could only read, a system or file system without leases), a writer gets a moment to
// finish.
std::optional<FileError> SaveFile::State::carryWithOthersKeptOut(const CarryOver& carryOver,
                                                                 OthersKeptOut& keptOut)
{
    for (int round = 0; original.writable && round < kSettleRounds; ++round) {
        switch (keptOut.hold()) {
        case OtherWriters::None:
            return carry(carryOver, *sink, Carry::Everything);
        case OtherWriters::Some:
            if (std::optional<FileError> failure = carry(carryOver, *sink, Carry::WholeLines)) {
                return failure;
            }
            std::this_thread::sleep_for(kWriterPause);
            break;
        case OtherWriters::Unknown:
            return carryUntilClosed(carryOver, *sink);
        }
    }
    return carryUntilClosed(carryOver, *sink);
}

std::optional<FileError> SaveFile::State::rewriteInPlace(const CarryOver& carryOver)
{
    if (std::optional<FileError> failure = settle(carryOver, true)) {
        return failure;
    }
    // A handle of this process open for writing would look like another writer.
    rewriter.reset();
    if (std::optional<FileError> failure = refuseWhileKeptOpenForWriting()) {
        return failure;
    }
    OthersKeptOut keptOut(fileSystem, original.file.get());
    if (std::optional<FileError> failure = carryWithOthersKeptOut(carryOver, keptOut)) {
        return failure;
    }
    if (const int error = flushFile(fileSystem, newContent->handle()); error != 0) {
        return writeErrorFor(error);
    }
    // Before the new content's copy is named: the next run finishes a run killed after that,
    // and makes no backup. What others append meanwhile is caught below.
    if (std::optional<FileError> failure = backUp(BackupKind::Copy)) {
        return failure;
    }
    // From the first byte written over the file until the copy is gone, a signal must
    // not end the process, or the file would be left half rewritten.
    const SignalBlock block;
    const std::int64_t length = sink->length();
    if (std::optional<FileError> failure = keepCopyUntilRewritten(length)) {
        return failure;
    }
    // Nothing can be carried over from here on: what lands now would be overwritten.
    switch (outsideChange()) {
    case Outside::None:
        break;
    case Outside::Unknown:
        return cannot("replace", statError);
    case Outside::Appended:
    case Outside::TimeChanged:
    case Outside::Changed:
        return FileError::changed(path);
    }
    if (!original.writable) {
        if (std::optional<FileError> failure = openForRewrite()) {
            return failure;
        }
    }
    return copyBack(original.writable ? original.file.get() : rewriter.get(), length);
}

// The copy takes the name tied to the file, beside it or in the temporary folder, and a
// note on how to finish the rewrite, so that the next run finishes it should this process
// be killed; where that name is taken, a name of its own.
std::optional<FileError> SaveFile::State::keepCopyUntilRewritten(std::int64_t length)
{
    FileStatus now;
    const bool beside = newContent->folder() == location.folderPath();
    if (statOpen(fileSystem, original.file.get(), now) == 0) {
        const RewriteNote note{length, now.size, original.status.volume, original.status.index};
        if (const int error = writeAll(*sink, rewriteNoteText(note)); error != 0) {
            return writeErrorFor(error);
        }
        if (const int error = flushFile(fileSystem, newContent->handle()); error != 0) {
            return writeErrorFor(error);
        }
        const std::string name =
            beside ? rewriteCopyName(location.name())
                   : stagedRewriteName(original.status.volume, original.status.index);
        if (newContent->nameAs(name) == 0) {
            rewriteLength = length;
            return std::nullopt;
        }
        if (!sink->cutBack(length)) {
            return writeErrorFor(errno);
        }
    }
    if (const int error = newContent->nameToKeep(); error != 0) {
        return writeErrorFor(error);
    }
    return std::nullopt;
}

// A run killed while it rewrote the file in place left its copy and note beside it, or in
// the temporary folder; the rewrite is finished before anything else, for the file the
// note names only.
std::optional<FileError> SaveFile::State::finishInterruptedRewrite()
{
    FileLocation copyLocation = location.beside(rewriteCopyName(location.name()));
    FileStatus copyStatus;
    if (statAt(fileSystem, copyLocation, copyStatus) != 0) {
        copyLocation = plainLocation(joinPath(
            stagingFolder, stagedRewriteName(original.status.volume, original.status.index)));
        if (stagingFolder.empty() || statAt(fileSystem, copyLocation, copyStatus) != 0) {
            return std::nullopt; // the usual case: no run was killed
        }
    }
    NativeFile copy;
    FileKind kind = FileKind::Other;
    FileStatus opened; // the same, unless the name was a link
    if (openForReading(fileSystem, copyLocation, copy, kind) != 0 || kind != FileKind::Regular ||
        statOpen(fileSystem, copy.get(), opened) != 0 || !isSameFile(opened, copyStatus) ||
        opened.links != 1 || !madeByThisUser(opened)) {
        return std::nullopt;
    }
    const std::optional<RewriteNote> note = readRewriteNote(fileSystem, copy.get());
    if (!note || note->volume != original.status.volume || note->index != original.status.index) {
        return std::nullopt;
    }
    if (!original.writable) {
        if (const int error = openForWriting(fileSystem, location, rewriter); error != 0) {
            return cannot("finish the interrupted rewrite of", error);
        }
    }
    const NativeHandle writer = original.writable ? original.file.get() : rewriter.get();
    if (const int error = finishRewrite(fileSystem, copy.get(), writer, *note); error != 0) {
        return cannot("finish the interrupted rewrite of", error);
    }
    rewriter.reset();
    copy.reset();
    static_cast<void>(removeFile(fileSystem, copyLocation));
    if (const int error = statOpen(fileSystem, original.file.get(), original.status); error != 0) {
        return cannot("open", error);
    }
    if (!seekTo(fileSystem, original.file.get(), 0)) {
        return cannot("read", errno);
    }
    notice = "Completed an interrupted rewrite of \"" + path + "\".";
    return std::nullopt;
}

std::optional<FileError> SaveFile::State::copyBack(NativeHandle writer, std::int64_t length)
{
    // Held at its full length, the file takes what others append once this process is gone
    // past the new content, where the next run looks for it.
    FileStatus now;
    if (statOpen(fileSystem, writer, now) == 0 && now.size < length &&
        !cutAt(fileSystem, writer, length)) {
        return cannot("rewrite", errno);
    }
    bool started = false;
    if (const int error = copyOver(fileSystem, newContent->handle(), writer, length, started);
        error != 0) {
        return started ? rewriteFailed(error) : cannot("rewrite", error);
    }
    if (!cutAt(fileSystem, writer, length)) {
        return rewriteFailed(errno);
    }
    if (const int error = flushFile(fileSystem, writer); error != 0) {
        return rewriteFailed(error);
    }
    // The file holds its whole new content by now.
    if (const int error = restorePrivileges(fileSystem, writer, privileges); error != 0) {
        return cannot("keep the set-ID bits and capabilities of", error);
    }
    return std::nullopt;
}

SaveFile::SaveFile(FileSystem& fileSystem, std::string path, Use use, std::string stagingFolder)
    : m_state(std::make_unique<State>(fileSystem, std::move(path), use, std::move(stagingFolder)))
{
}

SaveFile::~SaveFile() = default;

void SaveFile::setLockWait(LockWait wait)
{
    m_state->lockWait = std::move(wait);
}

void SaveFile::setBackup(std::string backupPath)
{
    m_state->backupPath = std::move(backupPath);
}

std::optional<FileError> SaveFile::open()
{
    State& state = *m_state;
    if (std::optional<FileError> failure = state.resolve()) {
        return failure;
    }
    if (!state.exists) {
        return state.createContent(state.location.folder(), state.location.folderPath());
    }
    if (std::optional<FileError> failure = state.lockOriginal()) {
        return failure;
    }
    if (std::optional<FileError> failure = state.finishInterruptedRewrite()) {
        return failure;
    }
    removeLeftover(state.fileSystem, state.location);
    if (std::optional<FileError> failure = state.whyNotWritable()) {
        return failure;
    }
    if (const int error = notePrivileges(state.fileSystem, state.original.file.get(),
                                         state.original.status, state.privileges);
        error != 0) {
        return state.cannot("read", error);
    }
    if (std::optional<FileError> failure = state.chooseInPlace()) {
        return failure;
    }
    state.source.emplace(state.fileSystem, state.original.file.get());
    return std::nullopt;
}

const std::string& SaveFile::notice() const
{
    return m_state->notice;
}

ByteSource& SaveFile::original()
{
    return *m_state->source;
}

std::int64_t SaveFile::originalSize() const
{
    return m_state->exists ? m_state->original.status.size : 0;
}

ByteSink& SaveFile::content()
{
    return *m_state->sink;
}

FileError SaveFile::readError(int errorNumber) const
{
    return m_state->cannot("read", errorNumber);
}

FileError SaveFile::writeError(int errorNumber) const
{
    return m_state->writeErrorFor(errorNumber);
}

std::optional<FileError> SaveFile::commit(const CarryOver& carryOver)
{
    State& state = *m_state;
    return state.inPlace ? state.rewriteInPlace(carryOver) : state.renameOver(carryOver);
}

} // namespace purgix::platform
