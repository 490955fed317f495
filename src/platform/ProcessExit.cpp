#include "platform/ProcessExit.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace qx {

void TerminateOwnProcess(int code)
{
    std::fflush(nullptr);
    _exit(code);
}

void ExitOwnProcess(int code)
{
    std::exit(code);
}

} // namespace qx
