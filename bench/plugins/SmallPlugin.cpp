// A small, well-behaved plug-in: one file document entry, nothing else.
#include "QX_Types.h"

namespace {

TQX_Application application;

uint8_t canOpen(const QString& fileName)
{
    return fileName.endsWith(QLatin1String(".bench")) ? 1 : 0;
}

TQX_PluginWindow* createWindow(TQX_Application*)
{
    return new TQX_PluginWindow;
}

} // namespace

QX_PLUGIN_EXPORT int32_t QXPluginProc(int32_t message, void* param)
{
    switch (message) {
    case QXM_QUERY_INFO: {
        auto* info = static_cast<TQX_PluginInfo*>(param);
        info->Application = &application;
        info->Name = QStringLiteral("Bench");
        info->FullName = QStringLiteral("Benchmark plug-in");
        return 1;
    }
    case QXM_QUERY_ENTRY_COUNT:
        return 1;
    case QXM_QUERY_ENTRY: {
        auto* entry = static_cast<TQX_PluginEntryInfo*>(param);
        entry->Name = QStringLiteral("Bench document");
        entry->Kind = QX_KIND_FILE_DOCUMENT;
        entry->CanOpenFile = &canOpen;
        entry->CreateWindow = &createWindow;
        return 1;
    }
    }
    return 1;
}
