#include "cli/usage_text.h"

#include <string_view>

namespace purgix::cli {

namespace {

#ifdef _WIN32
constexpr std::string_view kInstalledSettings = "%APPDATA%\\Purgix";
#else
constexpr std::string_view kInstalledSettings = "~/.config/purgix";
#endif

} // namespace

std::string usageText()
{
    return std::string(
               "Usage: purgix-cli [OPTION]... [--] PATH [TARGET]...\n"
               "  or:  purgix-cli [OPTION]... -e TARGET|-f LIST... [--] PATH...\n"
               "Removes from each file PATH, in place, every line that contains any TARGET.\n"
               "With PATH -, filters standard input to standard output.\n"
               "\n"
               "Up to ten targets, in slot order; an empty one is an empty slot. Without -e or\n"
               "-f, every argument after PATH is a target, even one that starts with '-'. With\n"
               "no target, the saved targets are used: those of --settings FILE, or else the\n"
               "window's purgix.ini (beside the program, or in ") +
           std::string(kInstalledSettings) +
           " for an\n"
           "installed copy). A saved file of fewer than ten lines leaves the window's\n"
           "start-up text \"127.0.0.1\" in the slots after its last line, as the window\n"
           "shows them; a note on standard error says which.\n"
           "\n"
           "  -e, --target=TARGET        delete the lines that contain TARGET (repeatable)\n"
           "  -f, --targets-from=LIST    the targets, one per line of the file LIST (an\n"
           "                             empty line is an empty slot)\n"
           "  -n, --dry-run              report how many lines would be deleted; change\n"
           "                             nothing\n"
           "      --print-deleted        write each deleted line to standard output, in\n"
           "                             file order, once the file is changed\n"
           "  -b, --backup[=SUFFIX]      keep the old content in PATH followed by SUFFIX\n"
           "                             (.bak unless given; -bSUFFIX)\n"
           "      --no-limit             count in 64 bits: one run may delete any number of\n"
           "                             lines\n"
           "      --settings=FILE        read the saved targets from FILE\n"
           "      --wait=SECONDS         wait so long for another program that keeps PATH\n"
           "                             locked (30 by default; after 3 s a note says so)\n"
           "      --progress             show how much of PATH has been read, when standard\n"
           "                             error is a terminal\n"
           "  -h, --help                 show this help and exit\n"
           "      --version              show the version and exit\n"
           "\n"
           "Lines: when lone LFs (no CR before them) outnumber CR LF pairs and lone CRs\n"
           "together, every LF ends a line and a CR is part of its line: kept lines stay\n"
           "exactly as they were. In any other file a line ends at CR LF, CR or LF, and\n"
           "kept lines are written back ending in CR LF. A file without any line end is\n"
           "one line. A run that would change nothing leaves the file as it is.\n"
           "For example, deleting b:\n"
           "  LF file     a LF b LF c CR LF       gives  a LF c CR LF\n"
           "  CR LF file  a CR LF b CR LF c LF    gives  a CR LF c CR LF\n"
           "  mixed file  a CR b LF c CR LF       gives  a CR LF c CR LF\n"
           "\n"
           "Without --no-limit, one run deletes at most 32,767 lines, as in the window. A\n"
           "run that would delete more reports \"Overflow\", and the targets before the one\n"
           "that overflowed stay applied: with targets a (in 30,000 lines) and b (in 5,000\n"
           "other lines), the a lines are deleted, the b lines stay.\n"
           "\n"
           "Prints \"N lines deleted.\" (with several files, \"PATH: N lines deleted.\" for\n"
           "each); when standard output carries lines, the count goes to standard error.\n"
           "Exit status: 0 done, 1 a run failed (the other files are still done), 2 a\n"
           "usage error.\n";
}

} // namespace purgix::cli
