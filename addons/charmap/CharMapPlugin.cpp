// The character map plug-in: one tool-window entry that shows a font's
// characters by Unicode block, finds them by name or code and inserts the
// chosen one into the host's active document.
#include "CharMapWindow.h"

#include <QX_Exports.h>
#include <QX_Types.h>

#include <unicode/uchar.h>
#include <unicode/uversion.h>

#include <memory>

namespace {

TQX_Application application;

const QString kPluginName = QStringLiteral("Mapa znaků");

TQX_PluginWindow* createWindow(TQX_Application*)
{
    return new TCharMapWindow;
}

// The host's handle of this plug-in's icon, for its about box.
uint32_t ownIconHandle()
{
    auto description = std::make_unique<TQX_PluginDescription>();
    for (int32_t i = 0; i < QXGetPluginCount(); ++i) {
        description->Size = sizeof(TQX_PluginDescription);
        if (QXGetPluginInfo(i, description.get()) && QString::fromUtf8(description->Name) == kPluginName)
            return description->IconHandle;
    }
    return 0;
}

void showAbout(QObject*)
{
    char version[U_MAX_VERSION_STRING_LENGTH];
    UVersionInfo unicode;
    u_getUnicodeVersion(unicode);
    u_versionToString(unicode, version);
    const QString text = QStringLiteral(
        "Mapa znaků 1.0\n\n"
        "Ukazuje znaky písma po blocích Unicode, hledá je podle anglického názvu nebo kódu "
        "a vybraný znak vloží do aktivního dokumentu (dvojklik, Enter nebo tlačítko Vložit).\n\n"
        "Názvy znaků a bloků: Unicode %1 z knihovny ICU.")
                             .arg(QString::fromLatin1(version));
    QXAboutBox(ownIconHandle(), "O modulu Mapa znaků", text.toUtf8().constData());
}

} // namespace

QX_PLUGIN_EXPORT int32_t QXPluginProc(int32_t message, void* param)
{
    switch (message) {
    case QXM_ATTACH:
    case QXM_INITIALIZE:
    case QXM_QUERY_UNLOAD:
    case QXM_FINALIZE:
    case QXM_DETACH:
        return 1;
    case QXM_QUERY_INFO: {
        auto* info = static_cast<TQX_PluginInfo*>(param);
        if (!info)
            return 0;
        info->Application = &application;
        info->Name = kPluginName;
        info->FullName = QStringLiteral("Mapa znaků: znaky písma podle bloků Unicode, hledání podle názvu a kódu");
        info->Icon = QIcon(QStringLiteral(":/charmap/icons/charmap.svg"));
        info->OnAbout = showAbout;
        return 1;
    }
    case QXM_QUERY_ENTRY_COUNT:
        return 1;
    case QXM_QUERY_ENTRY: {
        auto* entry = static_cast<TQX_PluginEntryInfo*>(param);
        if (!entry || entry->Index != 0)
            return 0;
        entry->Kind = QX_KIND_TOOL_WINDOW;
        entry->Name = kPluginName;
        entry->Icon = QIcon(QStringLiteral(":/charmap/icons/charmap.svg"));
        entry->CreateWindow = createWindow;
        return 1;
    }
    default:
        return 0;
    }
}
