// The character map plug-in: one tool-window entry that shows a font's
// characters by Unicode block, finds them by name or code and inserts the
// chosen one into the host's active document.
#include "CharMapWindow.h"

#include <QX_PluginHelpers.h>

#include <unicode/uchar.h>
#include <unicode/uversion.h>

namespace {

TQX_Application application;

const QString kPluginName = QStringLiteral("Mapa znaků");

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
    QX_ShowPluginAbout(kPluginName, QStringLiteral("O modulu Mapa znaků"), text);
}

} // namespace

QX_PLUGIN_EXPORT int32_t QXPluginProc(int32_t message, void* param)
{
    const TQX_PluginProfile plugin {
        .Application = &application,
        .Name = kPluginName,
        .FullName = QStringLiteral("Mapa znaků: znaky písma podle bloků Unicode, hledání podle názvu a kódu"),
        .IconPath = QStringLiteral(":/charmap/icons/charmap.svg"),
        .OnAbout = showAbout,
        .Entries = {{
            .Kind = QX_KIND_TOOL_WINDOW,
            .Name = kPluginName,
            .IconPath = QStringLiteral(":/charmap/icons/charmap.svg"),
            .CreateWindow = QX_NewWindow<TCharMapWindow>,
        }},
    };
    return QX_AnswerPluginMessage(plugin, message, param);
}
