// Quorvix 2: the program is the host library; this is only its entry.
#include "app/Startup.h"

int main(int argc, char** argv)
{
    return RunQuorvix(argc, argv);
}
