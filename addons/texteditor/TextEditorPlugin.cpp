// The text editor plug-in: two file-document entries, the code editor for
// every text file and the script editor for the host's ".qx" scripts, both
// made by TTextEditorWindow.
#include "EditorWindow.h"
#include "FileTypes.h"

#include <QX_Types.h>

#include <exception>

namespace {

TQX_Application application;

enum : int32_t { kTextEntry = 0, kScriptEntry = 1, kEntryCount = 2 };

TQX_PluginWindow* createTextWindow(TQX_Application*)
{
    return new TTextEditorWindow(TTextEditorWindow::TKind::Text);
}

TQX_PluginWindow* createScriptWindow(TQX_Application*)
{
    return new TTextEditorWindow(TTextEditorWindow::TKind::Script);
}

// The host asks for every file it opens; an unexpected failure here must
// mean "cannot open", never an exception across the library boundary.
uint8_t canOpenText(const QString& fileName)
{
    try {
        return TextEditorCanOpen(fileName);
    } catch (const std::exception&) {
        return 0;
    }
}

uint8_t canOpenScript(const QString& fileName)
{
    try {
        return ScriptEditorCanOpen(fileName);
    } catch (const std::exception&) {
        return 0;
    }
}

bool describeEntry(TQX_PluginEntryInfo* entry)
{
    entry->Kind = QX_KIND_FILE_DOCUMENT;
    entry->CanCreateFile = true;
    entry->HasFilter = true;
    switch (entry->Index) {
    case kTextEntry:
        entry->Name = QStringLiteral("Textový editor");
        entry->Filter = TextEditorFilter();
        entry->Flags = QX_FLAG_DEFAULT_NEW;
        entry->Icon = QIcon(QStringLiteral(":/texteditor/icons/textdocument.svg"));
        entry->CreateWindow = createTextWindow;
        entry->CanOpenFile = canOpenText;
        return true;
    case kScriptEntry:
        entry->Name = QStringLiteral("Editor skriptů");
        entry->Filter = ScriptEditorFilter();
        entry->Flags = QX_FLAG_SCRIPT_EDITOR;
        entry->Icon = QIcon(QStringLiteral(":/texteditor/icons/script.svg"));
        entry->CreateWindow = createScriptWindow;
        entry->CanOpenFile = canOpenScript;
        return true;
    default:
        return false;
    }
}

} // namespace

QX_PLUGIN_EXPORT int32_t QXPluginProc(int32_t message, void* param)
{
    switch (message) {
    case QXM_ATTACH:
    case QXM_INITIALIZE:
    case QXM_QUERY_UNLOAD:
        return 1;
    case QXM_FINALIZE:
    case QXM_DETACH:
        // Nothing of this library may stay registered with Qt once it is gone.
        RemoveEditorAccessibility();
        return 1;
    case QXM_QUERY_INFO: {
        auto* info = static_cast<TQX_PluginInfo*>(param);
        if (!info)
            return 0;
        info->Application = &application;
        info->Name = QStringLiteral("Textový editor");
        info->FullName = QStringLiteral("Textový editor a editor skriptů se zvýrazňováním syntaxe");
        info->Icon = QIcon(QStringLiteral(":/texteditor/icons/texteditor.svg"));
        return 1;
    }
    case QXM_QUERY_ENTRY_COUNT:
        return kEntryCount;
    case QXM_QUERY_ENTRY: {
        auto* entry = static_cast<TQX_PluginEntryInfo*>(param);
        return entry && describeEntry(entry) ? 1 : 0;
    }
    default:
        return 0;
    }
}
