#include "platform/LibraryFileCheck.h"

#include <cerrno>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace qx {
namespace {

// The ELF flavour the system loader of this process accepts.
#if UINTPTR_MAX > 0xffffffffu
using Ehdr = Elf64_Ehdr;
using Phdr = Elf64_Phdr;
const unsigned char kClass = ELFCLASS64;
const char* const kClassName = "64-bit";
#else
using Ehdr = Elf32_Ehdr;
using Phdr = Elf32_Phdr;
const unsigned char kClass = ELFCLASS32;
const char* const kClassName = "32-bit";
#endif
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
const unsigned char kByteOrder = ELFDATA2LSB;
#else
const unsigned char kByteOrder = ELFDATA2MSB;
#endif

std::string num(uint64_t n)
{
    return std::to_string(n);
}

std::string systemText(int err)
{
    return std::strerror(err);
}

std::string typeOf(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    return "not a regular file";
}

// Reads exactly length bytes at offset; a short read is the end of the file.
bool readFully(int fd, uint64_t offset, void* buffer, size_t length)
{
    auto* out = static_cast<char*>(buffer);
    while (length > 0) {
        ssize_t n = ::pread(fd, out, length, off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        out += n;
        offset += uint64_t(n);
        length -= size_t(n);
    }
    return true;
}

} // namespace

std::string NonRegularFileReason(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return typeOf(st.st_mode);
    const int err = errno;
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (err == ELOOP)
            return "a link that loops";
        if (err == ENOENT || err == ENOTDIR)
            return "a link whose target is missing";
    }
    return systemText(err);
}

std::string CheckLibraryFile(const std::string& path)
{
    // Nothing there at all: the system loader reports that in its own words.
    struct stat entry {};
    if (::lstat(path.c_str(), &entry) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return {};
    // Looked at before opening: opening a FIFO may block, opening a device
    // may have effects of its own.
    std::string reason = NonRegularFileReason(path);
    if (!reason.empty())
        return reason;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return systemText(errno);
    // The entry may have been replaced between the look and the open.
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        reason = systemText(errno);
    else if (!S_ISREG(st.st_mode))
        reason = typeOf(st.st_mode);
    else
        reason = CheckLibraryImage(uint64_t(st.st_size),
            [fd](uint64_t offset, void* buffer, size_t length) { return readFully(fd, offset, buffer, length); });
    ::close(fd);
    return reason;
}

std::string CheckLibraryImage(uint64_t fileSize, const ImageReader& read)
{
    if (fileSize == 0)
        return "an empty file";
    unsigned char ident[EI_NIDENT];
    if (fileSize < sizeof ident || !read(0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0)
        return "not an ELF file";
    if (ident[EI_CLASS] != kClass)
        return std::string("not a ") + kClassName + " ELF file (ELF class " + num(ident[EI_CLASS]) + ")";
    if (ident[EI_DATA] != kByteOrder)
        return "an ELF file of the other byte order";
    if (ident[EI_VERSION] != EV_CURRENT)
        return "an ELF file of unknown version " + num(ident[EI_VERSION]);

    Ehdr header;
    if (fileSize < sizeof header)
        return "truncated: the file (" + num(fileSize) + " bytes) ends inside the ELF header";
    if (!read(0, &header, sizeof header))
        return "the ELF header cannot be read";
    if (header.e_type != ET_DYN)
        return "not a shared library (ELF type " + num(header.e_type) + ")";
    if (header.e_phentsize != sizeof(Phdr))
        return "program headers of " + num(header.e_phentsize) + " bytes instead of " + num(sizeof(Phdr));

    // At most 65535 entries of a few dozen bytes: the product cannot overflow.
    const uint64_t count = header.e_phnum;
    const uint64_t tableSize = count * sizeof(Phdr);
    if (header.e_phoff > fileSize || tableSize > fileSize - header.e_phoff)
        return "truncated: the program header table (" + num(count) + " entries at byte " + num(header.e_phoff)
            + ") does not fit in the file's " + num(fileSize) + " bytes";
    std::vector<Phdr> table(count);
    if (count > 0 && !read(header.e_phoff, table.data(), size_t(tableSize)))
        return "the program header table cannot be read";

    int loadable = 0;
    for (uint64_t i = 0; i < count; ++i) {
        const Phdr& segment = table[i];
        if (segment.p_type != PT_LOAD)
            continue;
        ++loadable;
        // Mapped pages wholly past the end of the file are what faults; a
        // segment that ends inside the file's last page is whole.
        if (segment.p_offset > fileSize || segment.p_filesz > fileSize - segment.p_offset)
            return "truncated: loadable segment " + num(i) + " (" + num(segment.p_filesz) + " bytes at byte "
                + num(segment.p_offset) + ") reaches past the end of the file (" + num(fileSize) + " bytes)";
    }
    if (loadable == 0)
        return "the ELF headers name no loadable segment";
    return {};
}

} // namespace qx
