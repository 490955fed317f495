// The image viewer plug-in: one file-document entry for every picture
// format Qt reads, SVG included.
#include "ImageFile.h"
#include "ImageViewerWindow.h"

#include <QX_Exports.h>

#include <exception>

namespace {

TQX_Application application;

const QString kPluginName = QStringLiteral("Prohlížeč obrázků");

TQX_PluginWindow* createWindow(TQX_Application*)
{
    return new TImageViewerWindow;
}

uint8_t canOpen(const QString& fileName)
{
    try {
        return ImageViewerCanOpen(fileName);
    } catch (const std::exception&) {
        return 0;
    }
}

// The icon the host keeps for this plug-in, found by name among the loaded ones.
uint32_t ownIconHandle()
{
    TQX_PluginDescription description;
    for (int32_t i = 0; i < QXGetPluginCount(); ++i) {
        description.Size = sizeof(description);
        if (QXGetPluginInfo(i, &description) && QString::fromUtf8(description.Name) == kPluginName)
            return description.IconHandle;
    }
    return 0;
}

void showAbout(QObject*)
{
    QXAboutBox(ownIconHandle(), "O prohlížeči obrázků",
        "Prohlížeč obrázků\n\n"
        "Zobrazí obrázky ve všech formátech, které umí knihovna Qt (PNG, JPEG, GIF, BMP, WebP, TIFF, ICO "
        "a další), i vektorové obrázky SVG. Lupa kolečkem myši s klávesou Ctrl nebo klávesami + a −, "
        "1 pro skutečnou velikost, F pro přizpůsobení oknu.\n\n"
        "Ve stavovém řádku ukazuje rozměry, barevnou hloubku a velikost souboru; "
        "když se soubor na disku změní, obrázek se sám znovu načte.");
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
        info->FullName = QStringLiteral("Prohlížeč obrázků všech formátů knihovny Qt včetně SVG");
        info->Icon = QIcon(QStringLiteral(":/imageviewer/icons/imageviewer.svg"));
        info->OnAbout = showAbout;
        return 1;
    }
    case QXM_QUERY_ENTRY_COUNT:
        return 1;
    case QXM_QUERY_ENTRY: {
        auto* entry = static_cast<TQX_PluginEntryInfo*>(param);
        if (!entry || entry->Index != 0)
            return 0;
        entry->Kind = QX_KIND_FILE_DOCUMENT;
        entry->CanCreateFile = false;
        entry->Name = QStringLiteral("Prohlížeč obrázků");
        entry->Filter = ImageViewerFilter();
        entry->HasFilter = true;
        entry->Icon = QIcon(QStringLiteral(":/imageviewer/icons/image.svg"));
        entry->CreateWindow = createWindow;
        entry->CanOpenFile = canOpen;
        return 1;
    }
    default:
        return 0;
    }
}
