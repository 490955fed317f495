#include "kernel/Helpers.h"

#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "platform/ProcessExit.h"

void UnloadPlugins()
{
    LogEvent("Misc\\Helpers: UnloadPlugins()");
    LogEvent("Misc\\Helpers: UnloadPlugins: terminating application...");
    if (HardExitEnabled()) {
        LogEvent("Warning: forcing TerminateProcess(). _Kernel will be left initialized.");
        LogEvent("TerminateProcess(GetCurrentProcess(), 0)");
        qx::TerminateOwnProcess(0);
    }
    LogEvent("Misc\\Helpers: ExitProcess()...");
    LogEvent("ExitProcess(0)");
    qx::ExitOwnProcess(0);
}
