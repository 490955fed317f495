// Reading the registry file: loads files of 1,000, 8,000 and 64,000 keys
// (three values each) and a key holding 8,000 values (a cookie per file), and
// prints the cost per key or value of each. Reading is linear when 64,000 keys
// cost about as much per key as 8,000 (ratio near 1; a quadratic reader gives
// 8). The 1,000 keys fit in the processor's caches and are cheaper per key.
// Then stores 40 values one by one and the same 40 in one batch, as the frame
// does at closing, and prints how many times faster the batch is.
//   build/bench/bench_registry [keys]
#include "platform/Registry.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

std::string keysFile(int keys)
{
    std::string text = "REGEDIT4\n\n";
    for (int i = 0; i < keys; ++i) {
        text += "[HKEY_CURRENT_USER\\Software\\Quorvix\\Cookies\\TWindowClass" + std::to_string(i) + "]\n";
        text += "\"/home/user/projects/file" + std::to_string(i) + ".cpp\"=\"caret=12:4;top=3;bookmarks=1,5\"\n";
        text += "\"Count\"=dword:0000002a\n\"Blob\"=hex:01,02,03,04,05,06,07,08\n\n";
    }
    return text;
}

std::string valuesFile(int values)
{
    std::string text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvix\\Cookies\\TTextEditorWindow]\n";
    for (int i = 0; i < values; ++i)
        text += "\"/home/user/projects/file" + std::to_string(i) + ".cpp\"=\"caret=12:4;top=3;bookmarks=1,5\"\n";
    return text;
}

// Microseconds to load the file with that text, best of a few runs.
double loadMicros(const std::string& file, const std::string& text)
{
    double best = 1e300;
    for (int run = 0; run < 5; ++run) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text; // a new file: the store reads it again
        auto start = Clock::now();
        if (!qx::Registry().KeyExists("Software\\Quorvix\\Cookies"))
            std::abort();
        best = std::min(best, std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return best;
}

double storeMicros(bool batched)
{
    auto start = Clock::now();
    {
        qx::RegistryBatch batch;
        if (!batched)
            batch.Commit();
        qx::Registry reg;
        reg.OpenKey("Software\\Quorvix\\Frame", true);
        for (int i = 0; i < 40; ++i)
            reg.WriteString("ToolbarButton" + std::to_string(i) + "_Visible", batched ? "True" : "False");
    }
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int keys = argc > 1 ? std::atoi(argv[1]) : 8000;
    const int small = std::max(keys / 8, 1), large = keys * 8;
    std::string dir = (std::filesystem::temp_directory_path() / "qxbench-XXXXXX").string();
    if (!mkdtemp(dir.data()))
        return 1;
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    std::filesystem::create_directories(dir + "/Quorvix");
    const std::string file = qx::Registry::StoreFileName();

    double smallUs = loadMicros(file, keysFile(small)) / small;
    double keysUs = loadMicros(file, keysFile(keys)) / keys;
    double largeUs = loadMicros(file, keysFile(large)) / large;
    double valuesUs = loadMicros(file, valuesFile(keys)) / keys;
    std::printf("keys=%d us_per_key=%.2f | keys=%d us_per_key=%.2f total_ms=%.1f | keys=%d us_per_key=%.2f | ratio=%.2f\n",
        small, smallUs, keys, keysUs, keysUs * keys / 1000, large, largeUs, largeUs / keysUs);
    std::printf("values_in_one_key=%d us_per_value=%.2f\n", keys, valuesUs);

    std::filesystem::remove(file);
    double oneByOne = storeMicros(false);
    double batched = storeMicros(true);
    std::printf("40_values_one_by_one_ms=%.2f in_one_batch_ms=%.2f speedup=%.1f\n", oneByOne / 1000, batched / 1000,
        oneByOne / batched);
    std::filesystem::remove_all(dir);
    return 0;
}
