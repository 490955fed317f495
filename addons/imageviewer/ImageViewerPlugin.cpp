// The image viewer plug-in: one file-document entry for every picture
// format Qt reads, SVG included.
#include "ImageFile.h"
#include "ImageViewerWindow.h"

#include <QX_PluginHelpers.h>

namespace {

TQX_Application application;

const QString kPluginName = QStringLiteral("Prohlížeč obrázků");

void showAbout(QObject*)
{
    QX_ShowPluginAbout(kPluginName, QStringLiteral("O prohlížeči obrázků"),
        QStringLiteral("Prohlížeč obrázků\n\n"
                       "Zobrazí obrázky ve všech formátech, které umí knihovna Qt (PNG, JPEG, GIF, BMP, WebP, TIFF, ICO "
                       "a další), i vektorové obrázky SVG. Lupa kolečkem myši s klávesou Ctrl nebo klávesami + a −, "
                       "1 pro skutečnou velikost, F pro přizpůsobení oknu.\n\n"
                       "Ve stavovém řádku ukazuje rozměry, barevnou hloubku a velikost souboru; "
                       "když se soubor na disku změní, obrázek se sám znovu načte."));
}

} // namespace

QX_PLUGIN_EXPORT int32_t QXPluginProc(int32_t message, void* param)
{
    const TQX_PluginProfile plugin {
        .Application = &application,
        .Name = kPluginName,
        .FullName = QStringLiteral("Prohlížeč obrázků všech formátů knihovny Qt včetně SVG"),
        .IconPath = QStringLiteral(":/imageviewer/icons/imageviewer.svg"),
        .OnAbout = showAbout,
        .Entries = {{
            .Kind = QX_KIND_FILE_DOCUMENT,
            .Name = QStringLiteral("Prohlížeč obrázků"),
            .IconPath = QStringLiteral(":/imageviewer/icons/image.svg"),
            .Filter = ImageViewerFilter(),
            .CreateWindow = QX_NewWindow<TImageViewerWindow>,
            .CanOpenFile = QX_CanOpenNoThrow<ImageViewerCanOpen>,
        }},
    };
    return QX_AnswerPluginMessage(plugin, message, param);
}
