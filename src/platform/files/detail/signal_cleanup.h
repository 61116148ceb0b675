#pragma once

#include <csignal>
#include <string>

namespace purgix::platform {

// Keeps a named temporary file from outliving the process: while an object lives, a
// signal from outside that ends the process by default (SIGINT, SIGTERM, SIGHUP, SIGQUIT,
// SIGPIPE, SIGALRM, SIGUSR1 and the like; on Windows, Ctrl+C, Ctrl+Break and closing the
// console) removes the file before the process ends as the signal says. Unnamed temporary files
// need none of this; they vanish with their last descriptor, whatever ends the process.
class RemovalOnSignal
{
public:
    explicit RemovalOnSignal(const std::string& path);
    ~RemovalOnSignal();
    RemovalOnSignal(const RemovalOnSignal&) = delete;
    RemovalOnSignal& operator=(const RemovalOnSignal&) = delete;

private:
    int m_slot = -1;
};

// Holds those signals back for its lifetime, in the whole process and not
// only in the calling thread (the window's process has other threads, which would take the
// signal), so that steps which must not be cut apart (naming a file and renaming it,
// rewriting a file in place) run whole. A signal that arrives meanwhile is recorded and
// acted on when the last such object goes. On Windows the console events above wait the
// same way.
class SignalBlock
{
public:
    SignalBlock();
    ~SignalBlock();
    SignalBlock(const SignalBlock&) = delete;
    SignalBlock& operator=(const SignalBlock&) = delete;
};

} // namespace purgix::platform
