#include "platform/DynamicLibrary.h"

#include "platform/LibraryFileCheck.h"

#include <dlfcn.h>

namespace qx {
namespace {

// dlerror() forgets its text once read, and a successful call leaves it
// empty; keep the last failure per thread so it can be reported afterwards.
thread_local std::string lastError;
// The longest error text kept, without its line break.
const size_t kMaxErrorText = 253;

void remember(const char* text, const std::string& fallback)
{
    std::string t = text ? text : fallback;
    if (t.size() > kMaxErrorText)
        t.resize(kMaxErrorText);
    lastError = t + "\r\n";
}

} // namespace

LibraryHandle OpenLibrary(const std::string& path)
{
    dlerror();
    // A name without a slash is searched by the system loader among the
    // system's libraries; a path names the file that will be mapped, and it
    // is checked first (see LibraryFileCheck.h).
    if (path.find('/') != std::string::npos) {
        const std::string reason = CheckLibraryFile(path);
        if (!reason.empty()) {
            // Path first, as the system loader words its own refusals, unless
            // the reason would not fit then.
            remember(nullptr, path.size() + reason.size() + 2 <= kMaxErrorText ? path + ": " + reason : reason);
            return nullptr;
        }
    }
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h)
        remember(dlerror(), "cannot open the library");
    return h;
}

void* LibrarySymbol(LibraryHandle handle, const std::string& name)
{
    dlerror();
    if (!handle) {
        remember(nullptr, "invalid library handle");
        return nullptr;
    }
    void* sym = dlsym(handle, name.c_str());
    if (!sym)
        remember(dlerror(), "undefined symbol: " + name);
    return sym;
}

bool CloseLibrary(LibraryHandle handle)
{
    dlerror();
    if (!handle) {
        remember(nullptr, "invalid library handle");
        return false;
    }
    if (dlclose(handle) != 0) {
        remember(dlerror(), "cannot close the library");
        return false;
    }
    return true;
}

std::string LastSystemErrorText()
{
    return lastError;
}

} // namespace qx
