// Feeds arbitrary bytes to ResolveShellLink as the content of a shortcut
// file, once as a Windows link and once as a desktop entry (the reader
// chooses by the content; the name only decides where a relative target
// lies). Besides not crashing and not reading outside the data (the
// sanitizers watch that), a resolved link must name a target, and every text
// read from a Windows link must be valid UTF-8.
//
// Run: fuzz/shelllinks/run.sh [SECONDS]
#include "platform/ShellLinks.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

int tempFile(std::string& path)
{
    const char* dir = std::getenv("TMPDIR");
    std::string name = std::string(dir && *dir ? dir : "/tmp") + "/qx-fuzz-link-XXXXXX";
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        std::perror("mkstemp");
        std::abort();
    }
    ::unlink(name.c_str());
    path = "/proc/self/fd/" + std::to_string(fd);
    return fd;
}

bool validUtf8(const std::string& s)
{
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 99;
        if (n == 99 || i + n >= s.size() + (n == 0 ? 1 : 0))
            return false;
        uint32_t cp = n == 0 ? c : c & (0x3F >> n);
        for (size_t k = 1; k <= n; ++k) {
            const unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d >> 6) != 2)
                return false;
            cp = cp << 6 | (d & 0x3F);
        }
        const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
            return false;
        i += n + 1;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::string path;
    static const int fd = tempFile(path);
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != ssize_t(size))
        std::abort();

    const auto info = qx::ResolveShellLink(path);
    if (!info)
        return 0;
    if (info->TargetPath.empty())
        std::abort();
    const bool windowsLink = size >= 4 && data[0] == 0x4C && data[1] == 0 && data[2] == 0 && data[3] == 0;
    if (windowsLink) {
        for (const std::string* text : {&info->TargetPath, &info->WorkingDirectory, &info->Arguments,
                 &info->LinkDescription, &info->IconLocation})
            if (!validUtf8(*text)) {
                std::fprintf(stderr, "invalid UTF-8 read from a link: %s\n", text->c_str());
                std::abort();
            }
    }
    return 0;
}
