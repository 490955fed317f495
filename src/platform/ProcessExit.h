#pragma once
// The two ways the program ends its own process, and what it does before
// either.
#include <functional>

namespace qx {

// Ends the process at once: no exit handlers, no library clean-up. The work
// registered below is done first.
[[noreturn]] void TerminateOwnProcess(int code);
// Ends the process the soft way: exit handlers run and loaded libraries
// (plug-ins) get to clean up.
[[noreturn]] void ExitOwnProcess(int code);

// Work done however the process ends on its own (either way above, exit
// from main or an exit handler), once, the latest registered first: removing
// what only this process may remove, such as the socket it serves. Returns a
// key that takes the work back (its owner went before the process did).
int AtOwnProcessEnd(std::function<void()> work);
void CancelAtOwnProcessEnd(int key);

// A peer that closed its end of a pipe or socket never ends the process:
// writing to it fails with EPIPE instead of raising SIGPIPE. The signal is
// caught rather than ignored, so programs the process starts get the default
// disposition back when they are executed (an ignored signal would stay
// ignored in them).
void SurviveBrokenPipes();

} // namespace qx
