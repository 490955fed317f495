#include "kernel/VersionStamp.h"

#include "kernel/AppInfo.h"
#include "kernel/Kernel.h"
#include "kernel/Settings.h"
#include "platform/Registry.h"

#include <cstdio>
#include <exception>
#include <optional>

std::string InstalledVersionText()
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d.%d.%d", kVersionMajor, kVersionMinor, kVersionRelease);
    return buf;
}

bool StampInstalledVersion()
{
    try {
        qx::Registry reg;
        if (!reg.OpenKey(kRegistryRoot, true))
            throw qx::RegistryError(reg.LastError());
        reg.WriteString("", InstalledVersionText());
        return true;
    } catch (const std::exception&) {
        ReportKernelWarning("_qxrel32", std::nullopt, "Unable to connect with local registry.");
        return false;
    }
}
