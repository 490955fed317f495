#include "frame/KeyIndicators.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLibrary>

namespace {

// libX11 is loaded at run time: the program runs without it on other
// platforms, and the offscreen platform has no display at all.
struct X11Api {
    using InternAtom = unsigned long (*)(void* display, const char* name, int onlyIfExists);
    using GetNamedIndicator = int (*)(void* display, unsigned long name, int* index, int* state, void* map, int* real);
    InternAtom internAtom = nullptr;
    GetNamedIndicator getNamedIndicator = nullptr;
    unsigned long numAtom = 0, capsAtom = 0;
    void* display = nullptr;
    bool tried = false;
};

X11Api& x11()
{
    static X11Api api;
    if (api.tried)
        return api;
    api.tried = true;
    auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!app || !app->display())
        return api;
    static QLibrary lib(QStringLiteral("X11"), 6);
    if (!lib.load())
        return api;
    api.internAtom = reinterpret_cast<X11Api::InternAtom>(lib.resolve("XInternAtom"));
    api.getNamedIndicator = reinterpret_cast<X11Api::GetNamedIndicator>(lib.resolve("XkbGetNamedIndicator"));
    if (!api.internAtom || !api.getNamedIndicator)
        return api;
    api.display = app->display();
    api.numAtom = api.internAtom(api.display, "Num Lock", 0);
    api.capsAtom = api.internAtom(api.display, "Caps Lock", 0);
    return api;
}

bool ledOn(const char* suffix)
{
    const QDir leds(QStringLiteral("/sys/class/leds"));
    for (const QString& name : leds.entryList({QStringLiteral("*::") + QLatin1String(suffix)}, QDir::Dirs | QDir::System)) {
        QFile brightness(leds.filePath(name) + QStringLiteral("/brightness"));
        if (brightness.open(QIODevice::ReadOnly) && brightness.readAll().trimmed().toInt() > 0)
            return true;
    }
    return false;
}

} // namespace

TLockKeyStates ReadLockKeyStates()
{
    TLockKeyStates states;
    X11Api& api = x11();
    if (api.display) {
        int on = 0;
        if (api.getNamedIndicator(api.display, api.numAtom, nullptr, &on, nullptr, nullptr))
            states.NumLock = on != 0;
        on = 0;
        if (api.getNamedIndicator(api.display, api.capsAtom, nullptr, &on, nullptr, nullptr))
            states.CapsLock = on != 0;
        return states;
    }
    states.NumLock = ledOn("numlock");
    states.CapsLock = ledOn("capslock");
    return states;
}

const char* LockKeyIndicatorText(const TLockKeyStates& states)
{
    if (states.NumLock)
        return states.CapsLock ? "NUM CAP" : "NUM ";
    return states.CapsLock ? "CAP" : "";
}
