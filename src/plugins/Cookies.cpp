#include "plugins/Cookies.h"

#include "QX_Types.h"
#include "platform/Registry.h"

#include <string>

namespace {

std::string cookieKey(const TQX_PluginWindow* window)
{
    return std::string(kCookiesKey) + "\\" + window->metaObject()->className();
}

// The cookie key of the window's class, created if missing. Cookie names are
// file names: where the file system tells "X.txt" from "x.txt", so do they.
bool openCookieKey(qx::Registry& reg, const TQX_PluginWindow* window)
{
#ifndef _WIN32
    reg.SetExactValueNames(true);
#endif
    return reg.OpenKey(cookieKey(window), true);
}

} // namespace

void InitCookies()
{
    try {
        qx::Registry reg;
        reg.OpenKey(kCookiesKey, true);
    } catch (const std::exception&) {
        // The key is created again by the first cookie written.
    }
}

// A cookie call runs plug-in code (LoadCookie, SaveCookie); whatever it
// throws becomes a failed request, never an exception in the plug-in's caller.
bool LoadWindowCookie(TQX_PluginWindow* window)
{
    if (!window)
        return false;
    try {
        qx::Registry reg;
        if (!openCookieKey(reg, window))
            return false;
        std::string name = window->FileName.toStdString();
        QString text = reg.GetDataType(name) == qx::RegDataType::String ? QString::fromStdString(reg.ReadString(name)) : QString();
        window->LoadCookie(text);
        return true;
    } catch (...) {
        return false;
    }
}

bool SaveWindowCookie(TQX_PluginWindow* window)
{
    if (!window)
        return false;
    try {
        QString text;
        window->SaveCookie(text);
        qx::RegistryBatch batch; // a new class key and its value in one write
        qx::Registry reg;
        if (!openCookieKey(reg, window))
            return false;
        reg.WriteString(window->FileName.toStdString(), text.toStdString());
        batch.Commit();
        return true;
    } catch (...) {
        return false;
    }
}
