// Feeds arbitrary bytes to CheckLibraryImage as the content of a library
// file. Besides not crashing or hanging, the check must never ask for bytes
// outside the file, and a file it accepts must hold every loadable segment
// its program headers name.
//
// Run: fuzz_library_file NEW_CORPUS_DIR [SEED_DIR]
// Seeds: any shared libraries, e.g. a few from /usr/lib/x86_64-linux-gnu cut
// to their first 64 KiB.
#include "platform/LibraryFileCheck.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <elf.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string reason = qx::CheckLibraryImage(size, [data, size](uint64_t offset, void* out, size_t length) {
        if (offset > size || length > size - offset)
            std::abort();
        std::memcpy(out, data + offset, length);
        return true;
    });
    if (!reason.empty())
        return 0;

    // Accepted: the same facts, read without the checker.
    Elf64_Ehdr header;
    if (size < sizeof header)
        std::abort();
    std::memcpy(&header, data, sizeof header);
    if (header.e_phoff > size || uint64_t(header.e_phnum) * sizeof(Elf64_Phdr) > size - header.e_phoff)
        std::abort();
    for (int i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr segment;
        std::memcpy(&segment, data + header.e_phoff + uint64_t(i) * sizeof segment, sizeof segment);
        if (segment.p_type == PT_LOAD && (segment.p_offset > size || segment.p_filesz > size - segment.p_offset))
            std::abort();
    }
    return 0;
}
