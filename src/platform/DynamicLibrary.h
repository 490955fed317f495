#pragma once
// Loading shared libraries. Errors are reported through LastSystemErrorText(),
// the text the system gives for the calling thread's last failure.
#include <string>

namespace qx {

using LibraryHandle = void*;

// dlopen(RTLD_NOW | RTLD_LOCAL); null on failure. A path (a name with a
// slash) must pass CheckLibraryFile first: a FIFO, a device or a file cut
// short is refused with its reason instead of blocking or crashing the
// process.
LibraryHandle OpenLibrary(const std::string& path);
// dlsym; null on failure.
void* LibrarySymbol(LibraryHandle handle, const std::string& name);
// dlclose; false on failure.
bool CloseLibrary(LibraryHandle handle);
// The system's text for the last failure of the calls above on this thread
// (dlerror), at most 255 characters, ending with a line break as the system
// message table's texts do.
std::string LastSystemErrorText();

} // namespace qx
