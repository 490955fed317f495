// Logs 100,000 events to a file and prints the cost per event over the first
// and the last 1,000: the two must be about the same, since each event is
// appended rather than the whole log rewritten.
//   build/bench/bench_eventlog [events]
#include "kernel/Logging.h"
#include "kernel/Settings.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    const int events = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int window = 1000;
    std::string pattern = (std::filesystem::temp_directory_path() / "qxbench-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return 1;
    setenv("XDG_CONFIG_HOME", pattern.c_str(), 1);
    SetProgramDirectory(pattern);
    InitEventLog("bench_eventlog");
    LoadSettings();

    using Clock = std::chrono::steady_clock;
    double first = 0, last = 0;
    Clock::time_point windowStart = Clock::now();
    for (int i = 1; i <= events; ++i) {
        LogEvent("Server\\LoadPlugins: event number " + std::to_string(i) + " of the benchmark run");
        if (i == window)
            first = std::chrono::duration<double, std::micro>(Clock::now() - windowStart).count() / window;
        if (i == events - window)
            windowStart = Clock::now();
    }
    last = std::chrono::duration<double, std::micro>(Clock::now() - windowStart).count() / window;
    auto size = std::filesystem::file_size(GetEventLogFileName());
    std::printf("events=%d log_bytes=%ju first_%d_us_per_event=%.2f last_%d_us_per_event=%.2f ratio=%.2f\n", events,
        static_cast<uintmax_t>(size), window, first, window, last, last / first);
    std::filesystem::remove_all(pattern);
    return 0;
}
