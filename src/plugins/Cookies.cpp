#include "plugins/Cookies.h"

#include "QX_Types.h"
#include "platform/Registry.h"

#include <string>

namespace {

std::string cookieKey(const TQX_PluginWindow* window)
{
    return std::string(kCookiesKey) + "\\" + window->metaObject()->className();
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
        if (!reg.OpenKey(cookieKey(window), true))
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
        qx::Registry reg;
        if (!reg.OpenKey(cookieKey(window), true))
            return false;
        reg.WriteString(window->FileName.toStdString(), text.toStdString());
        return true;
    } catch (...) {
        return false;
    }
}
