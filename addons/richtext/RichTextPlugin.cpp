// The rich-text editor plug-in: one file-document entry that edits HTML and
// Markdown files formatted and saves them as HTML, Markdown or OpenDocument
// text.
#include "RichTextFormat.h"
#include "RichTextWindow.h"

#include <QX_Exports.h>
#include <QX_Types.h>

#include <exception>
#include <memory>

namespace {

TQX_Application application;

const QString kPluginName = QStringLiteral("Editor formátovaného textu");

TQX_PluginWindow* createWindow(TQX_Application*)
{
    return new TRichTextWindow;
}

uint8_t canOpen(const QString& fileName)
{
    try {
        return RichTextCanOpen(fileName);
    } catch (const std::exception&) {
        return 0;
    }
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
    const QString text = QStringLiteral(
        "Editor formátovaného textu 1.0\n\n"
        "Upravuje stránky HTML a texty Markdown tak, jak budou vypadat: tučné písmo, kurzíva, podtržení, "
        "zarovnání, seznamy, odsazení a barvy. Ukládá do HTML, Markdownu a do textu OpenDocument (.odt).\n\n"
        "Soubory HTML a Markdown otevírá příkaz Otevřít v textovém editoru jako zdrojový text; formátovaně je "
        "otevřete volbou tohoto editoru v dialogu Otevřít nebo v nabídce Spustit nebo změnit modul. "
        "Soubory OpenDocument editor neumí číst.");
    QXAboutBox(ownIconHandle(), "O modulu Editor formátovaného textu", text.toUtf8().constData());
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
        info->FullName = QStringLiteral("Editor formátovaného textu: HTML, Markdown a OpenDocument");
        info->Icon = QIcon(QStringLiteral(":/richtext/icons/richtext.svg"));
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
        entry->CanCreateFile = true;
        entry->HasFilter = true;
        entry->Name = QStringLiteral("Formátovaný text");
        entry->Filter = RichTextOpenFilter();
        entry->Icon = QIcon(QStringLiteral(":/richtext/icons/richdocument.svg"));
        entry->CreateWindow = createWindow;
        entry->CanOpenFile = canOpen;
        return 1;
    }
    default:
        return 0;
    }
}
