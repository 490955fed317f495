#pragma once
// The two ways the program ends its own process.

namespace qx {

// Ends the process at once: no exit handlers, no library clean-up.
[[noreturn]] void TerminateOwnProcess(int code);
// Ends the process the soft way: exit handlers run and loaded libraries
// (plug-ins) get to clean up.
[[noreturn]] void ExitOwnProcess(int code);

} // namespace qx
