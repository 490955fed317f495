#pragma once
// The one way the host reports problems: kernel warnings (logged, the caller
// goes on) and kernel exceptions (logged, then EQX_KernelException), plus the
// library wrappers that log every failure with the system's error text.
#include "platform/DynamicLibrary.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <typeinfo>

class EQX_KernelException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The object a report names: its class and address.
struct KernelObject {
    std::string className;
    const void* address = nullptr;
};

// Readable name of a C++ type ("TQX_Plugin", "std::runtime_error").
std::string DemangledTypeName(const std::type_info& type);

template <typename T>
KernelObject KernelObjectOf(const T* object)
{
    return {DemangledTypeName(typeid(*object)), object};
}

// "class [Name] at address 0x0012ABCD", or "(unknown object)".
std::string DescribeKernelObject(const std::optional<KernelObject>& object);

void ReportKernelWarning(const std::string& module, const std::optional<KernelObject>& object,
    const std::string& description);
[[noreturn]] void RaiseKernelException(const std::string& module, const std::optional<KernelObject>& object,
    const std::string& description);

qx::LibraryHandle KernelLoadLibrary(const std::string& path);
void* KernelGetProcAddress(qx::LibraryHandle handle, const std::string& name);
bool KernelFreeLibrary(qx::LibraryHandle handle);

// Upper-case hexadecimal without leading zeros, as library handles are shown.
std::string HandleToHex(const void* handle);

// Ends the process the way HardExitEnabled chooses, with the log lines of the
// exception dialog's Exit button (code 1 on the immediate path).
[[noreturn]] void ExitAfterException();

// Module initialization and finalization of the kernel: log lines only; the
// Qt side installs the exception handler.
void InitKernel();
void FinalizeKernel();
