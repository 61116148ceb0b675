#pragma once

#include "platform/files/detail/native_file.h"

#include <cstdint>
#include <optional>
#include <string>

namespace purgix::platform {

// A rewrite in place keeps the complete new content in a copy beside the file (or staged in
// the temporary folder), under a name tied to the file, with a note after it, until the
// file holds it. Should the process be
// killed (SIGKILL cannot be held back), the next run on the file finds the copy, and
// finishes the rewrite before anything else.
struct RewriteNote
{
    std::int64_t length = 0;  // of the new content, before the note
    std::int64_t oldSize = 0; // the file's size when the rewrite began
    std::uint64_t volume = 0; // the file it is for
    std::uint64_t index = 0;
};

// The name of the copy beside the file named `name`.
std::string rewriteCopyName(const std::string& name);
// The name of the copy staged in the temporary folder, where the file's own folder takes
// no new file, for the file with the identity `volume` and `index`.
std::string stagedRewriteName(std::uint64_t volume, std::uint64_t index);

// The note, as it follows the new content in the copy.
std::string rewriteNoteText(const RewriteNote& note);

// The note at the end of the copy open at `copy`, if it holds a whole one.
std::optional<RewriteNote> readRewriteNote(FileSystem& fileSystem, NativeHandle copy);

// Copies the `length` first bytes of `from` over `to` from their start, setting `started`
// once a byte of `to` has changed. Returns 0 or an error number.
[[nodiscard]] int copyOver(FileSystem& fileSystem, NativeHandle from, NativeHandle to,
                           std::int64_t length, bool& started);

// Finishes the rewrite that `note` describes from the copy at `copy` into the file at
// `file`: the new content, then what others appended since the rewrite began, cut there.
// Returns 0 or an error number.
[[nodiscard]] int finishRewrite(FileSystem& fileSystem, NativeHandle copy, NativeHandle file,
                                const RewriteNote& note);

} // namespace purgix::platform
