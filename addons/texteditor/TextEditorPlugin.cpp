// The text editor plug-in: two file-document entries, the code editor for
// every text file and the script editor for the host's ".qx" scripts, both
// made by TTextEditorWindow in the editor windows' library (EditorLibrary.h),
// which this entry loads with the first window.
#include "EditorLibrary.h"
#include "FileTypes.h"

#include <QX_PluginHelpers.h>

#include <QtGlobal>

#include <dlfcn.h>
#include <unistd.h>

#include <string>

namespace {

TQX_Application application;

struct TEditorLibrary {
    void* handle = nullptr;
    TEditorNewWindowProc newWindow = nullptr;
    TEditorReleaseProc release = nullptr;
};
TEditorLibrary editorLibrary;

// The windows' library by its absolute path, in the folder "texteditor"
// beside this plug-in's own file. A bare name would be searched through the
// run path of whoever calls dlopen: normally this plug-in, but under
// AddressSanitizer the sanitizer's interceptor, whose run path names no
// folder of ours. A copy of the entry without the folder beside it (some
// tests copy the entry alone) still finds it through the run path.
std::string editorLibraryPath()
{
    Dl_info self {};
    if (dladdr(reinterpret_cast<void*>(&editorLibraryPath), &self) && self.dli_fname) {
        const std::string own = self.dli_fname;
        const size_t slash = own.rfind('/');
        const std::string beside =
            (slash == std::string::npos ? std::string() : own.substr(0, slash + 1)) + "texteditor/" + kEditorLibraryFile;
        if (slash != std::string::npos && access(beside.c_str(), F_OK) == 0)
            return beside;
    }
    return kEditorLibraryFile;
}

// Loads the editor windows' library, once; false (with the reason on the
// log) when it cannot be loaded.
bool loadEditorLibrary()
{
    if (editorLibrary.handle)
        return true;
    void* handle = dlopen(editorLibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        qWarning("Textový editor: %s", dlerror());
        return false;
    }
    const auto newWindow = reinterpret_cast<TEditorNewWindowProc>(dlsym(handle, kEditorNewWindowSymbol));
    const auto release = reinterpret_cast<TEditorReleaseProc>(dlsym(handle, kEditorReleaseSymbol));
    if (!newWindow || !release) {
        qWarning("Textový editor: %s is not the editor windows' library", kEditorLibraryFile);
        dlclose(handle);
        return false;
    }
    editorLibrary = {handle, newWindow, release};
    return true;
}

// Called when the plug-in goes: its windows are gone by then.
void unloadEditorLibrary()
{
    if (!editorLibrary.handle)
        return;
    editorLibrary.release();
    dlclose(editorLibrary.handle);
    editorLibrary = {};
}

TQX_PluginWindow* createTextWindow(TQX_Application*)
{
    return loadEditorLibrary() ? editorLibrary.newWindow(0) : nullptr;
}

TQX_PluginWindow* createScriptWindow(TQX_Application*)
{
    return loadEditorLibrary() ? editorLibrary.newWindow(1) : nullptr;
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
        .OnRelease = unloadEditorLibrary,
    };
    return QX_AnswerPluginMessage(plugin, message, param);
}
