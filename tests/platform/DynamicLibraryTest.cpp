#include "platform/DynamicLibrary.h"
#include "platform/LibraryFileCheck.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <cstring>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <future>
#include <vector>

namespace fs = std::filesystem;

namespace {

TEST(DynamicLibrary, FailuresCarryTheSystemText)
{
    EXPECT_EQ(qx::OpenLibrary("/nonexistent/libnothing.so"), nullptr);
    std::string text = qx::LastSystemErrorText();
    EXPECT_NE(text.find("libnothing.so"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

    qx::LibraryHandle libc = qx::OpenLibrary("libc.so.6");
    ASSERT_NE(libc, nullptr);
    EXPECT_NE(qx::LibrarySymbol(libc, "strlen"), nullptr);
    EXPECT_EQ(qx::LibrarySymbol(libc, "NoSuchFunction"), nullptr);
    EXPECT_NE(qx::LastSystemErrorText().find("NoSuchFunction"), std::string::npos);
    EXPECT_TRUE(qx::CloseLibrary(libc));
    EXPECT_FALSE(qx::CloseLibrary(nullptr));
}

// Entries named like libraries that are not regular files. Opening a FIFO
// blocks until a writer comes, so each open runs on its own thread; one that
// hangs fails the test and is released by opening the FIFO for writing.
TEST(DynamicLibrary, WhatIsNotARegularFileIsRefusedUnopened)
{
    qxtest::TempDir dir;
    const std::string fifo = dir.file("fifo.so");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(dir.file("folder.so"));
    fs::create_symlink("missing.so", dir.file("dangling.so"));
    fs::create_symlink("loop.so", dir.file("loop.so"));
    fs::create_symlink("/dev/null", dir.file("null.so"));
    const std::string socketPath = dir.file("socket.so");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"fifo.so", "a FIFO"},
        {"folder.so", "a directory"},
        {"dangling.so", "a link whose target is missing"},
        {"loop.so", "a link that loops"},
        {"null.so", "a character device"},
        {"socket.so", "a socket"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.file(c.name);
        EXPECT_EQ(qx::NonRegularFileReason(path), c.reason);
        auto open = std::async(std::launch::async, [path] {
            qx::LibraryHandle h = qx::OpenLibrary(path);
            return std::make_pair(h, qx::LastSystemErrorText());
        });
        if (open.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ADD_FAILURE() << "opening " << c.name << " blocked";
            ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        }
        auto [handle, text] = open.get();
        EXPECT_EQ(handle, nullptr) << c.name;
        EXPECT_EQ(text, path + ": " + c.reason + "\r\n");
    }
    ::close(sock);
}

// A minimal shared-object image of this machine's class: the ELF header, two
// program headers (one loadable segment of the whole file, one note) and
// padding up to size bytes.
struct Image {
    std::vector<unsigned char> bytes;
    Elf64_Ehdr& header() { return *reinterpret_cast<Elf64_Ehdr*>(bytes.data()); }
    Elf64_Phdr& segment(int i) { return reinterpret_cast<Elf64_Phdr*>(bytes.data() + sizeof(Elf64_Ehdr))[i]; }

    Image()
        : bytes(4096)
    {
        Elf64_Ehdr& h = header();
        std::memcpy(h.e_ident, ELFMAG, SELFMAG);
        h.e_ident[EI_CLASS] = ELFCLASS64;
        h.e_ident[EI_DATA] = ELFDATA2LSB;
        h.e_ident[EI_VERSION] = EV_CURRENT;
        h.e_type = ET_DYN;
        h.e_phoff = sizeof(Elf64_Ehdr);
        h.e_phentsize = sizeof(Elf64_Phdr);
        h.e_phnum = 2;
        segment(0).p_type = PT_NOTE;
        segment(0).p_offset = 512;
        segment(0).p_filesz = 32;
        segment(1).p_type = PT_LOAD;
        segment(1).p_offset = 0;
        segment(1).p_filesz = 4096;
        segment(1).p_memsz = 8192;
    }

    // The check with a reader that fails the test when asked for bytes outside
    // the image; size overrides the file size the check is told.
    std::string check(uint64_t size = 0)
    {
        const uint64_t fileSize = size ? size : bytes.size();
        return qx::CheckLibraryImage(fileSize, [this, fileSize](uint64_t offset, void* out, size_t length) {
            EXPECT_LE(offset, fileSize);
            EXPECT_LE(length, fileSize - std::min(offset, fileSize));
            if (offset > bytes.size() || length > bytes.size() - offset)
                return false;
            std::memcpy(out, bytes.data() + offset, length);
            return true;
        });
    }
};

TEST(LibraryFileCheck, ElfHeadersAreReadDefensively)
{
    static_assert(sizeof(void*) == 8 && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the images are 64-bit LSB");
    EXPECT_EQ(Image().check(), "");

    const struct {
        const char* what;
        std::function<void(Image&)> damage;
        uint64_t size; // the file size told, 0 for the image's
        const char* reason;
    } cases[] = {
        {"empty", [](Image& i) { i.bytes.clear(); }, 0, "an empty file"},
        {"bad magic", [](Image& i) { i.bytes[1] = 'X'; }, 0, "not an ELF file"},
        {"shorter than the identification", [](Image&) {}, 10, "not an ELF file"},
        {"32-bit", [](Image& i) { i.bytes[EI_CLASS] = ELFCLASS32; }, 0, "not a 64-bit ELF file (ELF class 1)"},
        {"no class", [](Image& i) { i.bytes[EI_CLASS] = 0; }, 0, "not a 64-bit ELF file (ELF class 0)"},
        {"big-endian", [](Image& i) { i.bytes[EI_DATA] = ELFDATA2MSB; }, 0, "an ELF file of the other byte order"},
        {"version", [](Image& i) { i.bytes[EI_VERSION] = 7; }, 0, "an ELF file of unknown version 7"},
        {"cut in the header", [](Image&) {}, 40, "truncated: the file (40 bytes) ends inside the ELF header"},
        {"executable", [](Image& i) { i.header().e_type = ET_EXEC; }, 0, "not a shared library (ELF type 2)"},
        {"entry size", [](Image& i) { i.header().e_phentsize = 32; }, 0, "program headers of 32 bytes instead of 56"},
        {"table past the end", [](Image& i) { i.header().e_phoff = 4000; }, 0,
            "truncated: the program header table (2 entries at byte 4000) does not fit in the file's 4096 bytes"},
        {"table offset wraps", [](Image& i) { i.header().e_phoff = ~uint64_t(0) - 8; }, 0,
            "truncated: the program header table"},
        {"huge count", [](Image& i) { i.header().e_phnum = 0xffff; }, 0, "truncated: the program header table (65535 entries"},
        {"no segments", [](Image& i) { i.header().e_phnum = 0; }, 0, "the ELF headers name no loadable segment"},
        {"no loadable segment", [](Image& i) { i.segment(1).p_type = PT_DYNAMIC; }, 0,
            "the ELF headers name no loadable segment"},
        {"file cut short", [](Image&) {}, 2048,
            "truncated: loadable segment 1 (4096 bytes at byte 0) reaches past the end of the file (2048 bytes)"},
        {"segment past the end", [](Image& i) { i.segment(1).p_offset = 8192; i.segment(1).p_filesz = 0; }, 0,
            "truncated: loadable segment 1 (0 bytes at byte 8192)"},
        {"segment end wraps", [](Image& i) { i.segment(1).p_offset = 16; i.segment(1).p_filesz = ~uint64_t(0) - 8; }, 0,
            "truncated: loadable segment 1"},
    };
    for (const auto& c : cases) {
        Image image;
        c.damage(image);
        const std::string reason = image.check(c.size);
        EXPECT_EQ(reason.rfind(c.reason, 0), 0u) << c.what << ": " << reason;
    }

    // A segment that ends inside the file and one of no bytes at its very end
    // are whole.
    Image edge;
    edge.segment(0).p_type = PT_LOAD;
    edge.segment(0).p_offset = 4096;
    edge.segment(0).p_filesz = 0;
    EXPECT_EQ(edge.check(), "");

    // A file whose bytes cannot be read is refused, not trusted.
    EXPECT_EQ(qx::CheckLibraryImage(4096, [](uint64_t, void*, size_t) { return false; }), "not an ELF file");
}

// A real library passes; its copy cut short, as an interrupted copy leaves
// it, is refused before the system loader maps it (which would end the
// process with SIGBUS at the first touch of the missing pages).
TEST(LibraryFileCheck, ARealLibraryPassesAndItsTruncatedCopyIsRefused)
{
    Dl_info info {};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&::pread), &info), 0);
    ASSERT_NE(info.dli_fname, nullptr);
    const std::string library = fs::canonical(info.dli_fname).string();
    ASSERT_EQ(qx::CheckLibraryFile(library), "") << library;

    qxtest::TempDir dir;
    const std::string cut = dir.file("cut.so");
    fs::copy_file(library, cut);
    fs::resize_file(cut, 8192);
    EXPECT_EQ(qx::CheckLibraryFile(cut).rfind("truncated: loadable segment ", 0), 0u) << qx::CheckLibraryFile(cut);
    EXPECT_EQ(qx::OpenLibrary(cut), nullptr);
    EXPECT_NE(qx::LastSystemErrorText().find(cut + ": truncated: loadable segment "), std::string::npos);
}

} // namespace
