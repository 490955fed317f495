#pragma once
// Checks made on a library file before the system loader sees it. The loader
// opens whatever it is given and maps the file's segments as its headers
// describe them: a FIFO blocks it forever, a device may react to being
// opened, and a file cut short (an interrupted copy) is mapped past its end,
// so the first access to the missing part kills the process with SIGBUS.
// These checks turn each of those into a refusal with a reason.
//
// Here the headers are ELF; a Windows build would read the PE headers and
// section table the same way.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace qx {

// Why path is not a regular file (after following links): "a FIFO",
// "a directory", "a link whose target is missing"... Empty for a regular
// file. Only looks at the file system entry; opens nothing.
std::string NonRegularFileReason(const std::string& path);

// Everything that must hold before path is handed to the system loader: a
// regular file (checked before it is opened, and again on the opened file),
// with sound ELF headers for this machine's class and byte order, holding
// every loadable segment they name. Empty when the file may be handed to the
// system loader (also when there is no such file: the loader says so itself),
// otherwise one line saying why not (without the path).
std::string CheckLibraryFile(const std::string& path);

// Reads length bytes at offset into buffer; false when they cannot be read.
using ImageReader = std::function<bool(uint64_t offset, void* buffer, size_t length)>;

// The header part of CheckLibraryFile on a file of fileSize bytes read
// through read. Never reads outside the file and accepts any bytes: bad
// magic, a foreign class, tables or segments outside the file are reasons,
// never faults.
std::string CheckLibraryImage(uint64_t fileSize, const ImageReader& read);

} // namespace qx
