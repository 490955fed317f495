// The text editor plug-in: two file-document entries, the code editor for
// every text file and the script editor for the host's ".qx" scripts, both
// made by TTextEditorWindow.
#include "EditorWindow.h"
#include "FileTypes.h"

#include <QX_PluginHelpers.h>

namespace {

TQX_Application application;

TQX_PluginWindow* createTextWindow(TQX_Application*)
{
    return new TTextEditorWindow(TTextEditorWindow::TKind::Text);
}

TQX_PluginWindow* createScriptWindow(TQX_Application*)
{
    return new TTextEditorWindow(TTextEditorWindow::TKind::Script);
}

} // namespace

QX_PLUGIN_EXPORT int32_t QXPluginProc(int32_t message, void* param)
{
    // The host asks for every file it opens: an unexpected failure of the
    // tests means "cannot open", never an exception across the boundary.
    const TQX_PluginProfile plugin {
        .Application = &application,
        .Name = QStringLiteral("Textový editor"),
        .FullName = QStringLiteral("Textový editor a editor skriptů se zvýrazňováním syntaxe"),
        .IconPath = QStringLiteral(":/texteditor/icons/texteditor.svg"),
        .Entries = {
            {
                .Name = QStringLiteral("Textový editor"),
                .IconPath = QStringLiteral(":/texteditor/icons/textdocument.svg"),
                .Filter = TextEditorFilter(),
                .CanCreateFile = true,
                .Flags = QX_FLAG_DEFAULT_NEW,
                .CreateWindow = createTextWindow,
                .CanOpenFile = QX_CanOpenNoThrow<TextEditorCanOpen>,
            },
            {
                .Name = QStringLiteral("Editor skriptů"),
                .IconPath = QStringLiteral(":/texteditor/icons/script.svg"),
                .Filter = ScriptEditorFilter(),
                .CanCreateFile = true,
                .Flags = QX_FLAG_SCRIPT_EDITOR,
                .CreateWindow = createScriptWindow,
                .CanOpenFile = QX_CanOpenNoThrow<ScriptEditorCanOpen>,
            },
        },
        // Nothing of this library may stay registered with Qt once it is gone.
        .OnRelease = RemoveEditorAccessibility,
    };
    return QX_AnswerPluginMessage(plugin, message, param);
}
