// Arbitrary bytes read as a notepad file. The reader must neither crash nor
// hang, its runs must be valid UTF-8 of merged formats, and writing them and
// reading that back must give the same runs.
#include "frame/RtfText.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool validUtf8(const std::string& s)
{
    for (size_t i = 0; i < s.size();) {
        const auto b = uint8_t(s[i]);
        const size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size())
            return false;
        for (size_t k = 1; k < n; ++k)
            if ((uint8_t(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const qx::RtfRuns runs = qx::ReadRtf(std::string_view(reinterpret_cast<const char*>(data), size));
    for (size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].text.empty() || !validUtf8(runs[i].text))
            std::abort();
        if (i > 0 && runs[i].format == runs[i - 1].format)
            std::abort();
    }
    // Control characters other than tab and newline are not written.
    qx::RtfRuns kept;
    for (const qx::RtfRun& run : runs) {
        std::string text;
        for (char c : run.text)
            if (uint8_t(c) >= 0x20 || c == '\n' || c == '\t')
                text += c;
        if (text.empty())
            continue;
        if (!kept.empty() && kept.back().format == run.format)
            kept.back().text += text;
        else
            kept.push_back({text, run.format});
    }
    if (qx::ReadRtf(qx::WriteRtf(kept, "Courier New", 10)) != kept)
        std::abort();
    return 0;
}
