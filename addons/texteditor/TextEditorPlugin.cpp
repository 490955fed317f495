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

#include <cstddef>
#include <string>
#include <vector>

namespace {

TQX_Application application;

struct TEditorLibrary {
    void* handle = nullptr;
    TEditorNewWindowProc newWindow = nullptr;
    TEditorReleaseProc release = nullptr;
};
TEditorLibrary editorLibrary;

// The windows' library by its absolute path: in the folder "texteditor"
// beside this plug-in's own file, else in the first folder of this plug-in's
// search path (its run path names that folder, also the built one for a copy
// of the entry made without it) that holds it. A bare name given to dlopen
// would be searched through the run path of whoever calls dlopen: normally
// this plug-in, but under AddressSanitizer the sanitizer's interceptor,
// whose run path names no folder of ours.
std::string editorLibraryPath()
{
    Dl_info self {};
    if (!dladdr(reinterpret_cast<void*>(&editorLibraryPath), &self) || !self.dli_fname)
        return kEditorLibraryFile;
    const std::string own = self.dli_fname;
    const size_t slash = own.rfind('/');
    if (slash != std::string::npos) {
        const std::string beside = own.substr(0, slash + 1) + "texteditor/" + kEditorLibraryFile;
        if (access(beside.c_str(), F_OK) == 0)
            return beside;
    }
    std::string found = kEditorLibraryFile;
    if (void* handle = dlopen(self.dli_fname, RTLD_LAZY | RTLD_NOLOAD)) {
        Dl_serinfo size {};
        if (dlinfo(handle, RTLD_DI_SERINFOSIZE, &size) == 0 && size.dls_size >= sizeof(Dl_serinfo)) {
            std::vector<std::max_align_t> buffer(size.dls_size / sizeof(std::max_align_t) + 1);
            auto* info = reinterpret_cast<Dl_serinfo*>(buffer.data());
            *info = size;
            if (dlinfo(handle, RTLD_DI_SERINFO, info) == 0)
                for (unsigned i = 0; i < info->dls_cnt; ++i) {
                    const std::string candidate = std::string(info->dls_serpath[i].dls_name) + "/" + kEditorLibraryFile;
                    if (access(candidate.c_str(), F_OK) == 0) {
                        found = candidate;
                        break;
                    }
                }
        }
        dlclose(handle);
    }
    return found;
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
