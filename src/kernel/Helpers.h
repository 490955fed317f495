#pragma once
// Small services shared across the host.

// Ends the program after the frame has saved its settings: the process ends
// at once (HardExitEnabled) or by the soft exit, both with code 0. Plug-ins get
// no unload messages. Never returns.
[[noreturn]] void UnloadPlugins();
