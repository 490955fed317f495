#include "kernel/Kernel.h"

#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "platform/ProcessExit.h"

#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <filesystem>
#include <memory>

std::string DemangledTypeName(const std::type_info& type)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return status == 0 && name ? name.get() : type.name();
}

std::string DescribeKernelObject(const std::optional<KernelObject>& object)
{
    if (!object)
        return "(unknown object)";
    char address[32];
    std::snprintf(address, sizeof address, "%08llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(object->address)));
    return "class [" + object->className + "] at address 0x" + address;
}

static std::string reportText(const std::string& module, const std::optional<KernelObject>& object,
    const std::string& description)
{
    return "in module " + module + ", raised by " + DescribeKernelObject(object) + ". Description: " + description;
}

void ReportKernelWarning(const std::string& module, const std::optional<KernelObject>& object,
    const std::string& description)
{
    LogEvent("_KernelWarning: " + reportText(module, object, description));
}

void RaiseKernelException(const std::string& module, const std::optional<KernelObject>& object,
    const std::string& description)
{
    LogEvent("_KernelException: " + reportText(module, object, description));
    LogEvent("_Kernel: execution cannot continue. Raising exception...");
    std::string logName = std::filesystem::path(GetEventLogFileName()).filename().string();
    throw EQX_KernelException("_Kernel exception raised. See " + logName + " for details.");
}

std::string HandleToHex(const void* handle)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle)));
    return buf;
}

qx::LibraryHandle KernelLoadLibrary(const std::string& path)
{
    qx::LibraryHandle h = qx::OpenLibrary(path);
    if (!h)
        ReportKernelWarning("Kernel\\Kernel", std::nullopt,
            "_KernelLoadLibrary: failed. GetLastError() returned [" + qx::LastSystemErrorText() + "]. Library path: " + path + ".");
    return h;
}

void* KernelGetProcAddress(qx::LibraryHandle handle, const std::string& name)
{
    void* p = qx::LibrarySymbol(handle, name);
    if (!p)
        ReportKernelWarning("Kernel\\Kernel", std::nullopt,
            "_KernelGetProcAddress: failed. GetLastError() returned [" + qx::LastSystemErrorText() + "]. Library handle: 0x"
                + HandleToHex(handle) + ", function \"" + name + "\".");
    return p;
}

bool KernelFreeLibrary(qx::LibraryHandle handle)
{
    if (qx::CloseLibrary(handle))
        return true;
    ReportKernelWarning("Kernel\\Kernel", std::nullopt,
        "_KernelFreeLibrary: failed. GetLastError() returned [" + qx::LastSystemErrorText() + "]. Library handle: 0x" + HandleToHex(handle));
    return false;
}

void ExitAfterException()
{
    if (HardExitEnabled()) {
        LogEvent("Warning: forcing TerminateProcess(). _Kernel will be left initialized.");
        LogEvent("TerminateProcess(GetCurrentProcess(), 1)");
        qx::TerminateOwnProcess(1);
    }
    LogEvent("Warning: forcing ExitProcess(). _Kernel will be left initialized.");
    LogEvent("ExitProcess(0)");
    qx::ExitOwnProcess(0);
}

void InitKernel()
{
    LogEvent("_Kernel: Initializing...");
}

void FinalizeKernel()
{
    LogEvent("_Kernel: Finalizing...");
}
