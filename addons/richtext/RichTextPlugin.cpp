// The rich-text editor plug-in: one file-document entry that edits HTML and
// Markdown files formatted and saves them as HTML, Markdown or OpenDocument
// text.
#include "RichTextFormat.h"
#include "RichTextWindow.h"

#include <QX_PluginHelpers.h>

namespace {

TQX_Application application;

const QString kPluginName = QStringLiteral("Editor formátovaného textu");

void showAbout(QObject*)
{
    QX_ShowPluginAbout(kPluginName, QStringLiteral("O modulu Editor formátovaného textu"),
        QStringLiteral(
            "Editor formátovaného textu 1.0\n\n"
            "Upravuje stránky HTML a texty Markdown tak, jak budou vypadat: tučné písmo, kurzíva, podtržení, "
            "zarovnání, seznamy, odsazení a barvy. Ukládá do HTML, Markdownu a do textu OpenDocument (.odt).\n\n"
            "Soubory HTML a Markdown otevírá příkaz Otevřít v textovém editoru jako zdrojový text; formátovaně je "
            "otevřete volbou tohoto editoru v dialogu Otevřít nebo v nabídce Spustit nebo změnit modul. "
            "Soubory OpenDocument editor neumí číst."));
}

} // namespace

QX_PLUGIN_EXPORT int32_t QXPluginProc(int32_t message, void* param)
{
    const TQX_PluginProfile plugin {
        .Application = &application,
        .Name = kPluginName,
        .FullName = QStringLiteral("Editor formátovaného textu: HTML, Markdown a OpenDocument"),
        .IconPath = QStringLiteral(":/richtext/icons/richtext.svg"),
        .OnAbout = showAbout,
        .Entries = {{
            .Kind = QX_KIND_FILE_DOCUMENT,
            .Name = QStringLiteral("Formátovaný text"),
            .IconPath = QStringLiteral(":/richtext/icons/richdocument.svg"),
            .Filter = RichTextOpenFilter(),
            .CanCreateFile = true,
            .CreateWindow = QX_NewWindow<TRichTextWindow>,
            .CanOpenFile = QX_CanOpenNoThrow<RichTextCanOpen>,
        }},
    };
    return QX_AnswerPluginMessage(plugin, message, param);
}
