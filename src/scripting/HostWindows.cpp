// Host functions: document windows, plug-ins and the documents list.
#include "scripting/HostFunctions.h"

#include "QX_Types.h"
#include "frame/FrameWindow.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/PluginManagement.h"
#include "plugins/PluginWindowList.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace qx::host {

namespace {

// Runs fn with the document window of argument 0's handle and stores its
// answer into the var argument 1; FALSE when no window has the handle.
void windowText(const TScriptHostCall& c, QString (*fn)(TQX_PluginWindow*))
{
    TQX_PluginWindow* window = WindowOfHandle(c.Integer(0));
    if (window)
        StoreText(c.Var(1), fn(window));
    c.ReturnBoolean(window != nullptr);
}

void bringToFront(TQX_PluginWindow* window)
{
    for (QWidget* w = window->parentWidget(); w; w = w->parentWidget()) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) {
            if (sub->isMinimized())
                sub->showNormal();
            if (QMdiArea* area = sub->mdiArea())
                area->setActiveSubWindow(sub);
            break;
        }
    }
    window->raise();
    window->activateWindow();
    window->setFocus();
}

} // namespace

void AddWindowFunctions(HostFunctionMap& map)
{
    // Document windows
    map["EnumWindows"] = [](const TScriptHostCall& c) {
        std::vector<int32_t> handles;
        for (int i = 0; i < GetDocumentWindowCount(); ++i)
            handles.push_back(WindowHandle(GetDocumentWindow(i)));
        StoreIntegers(c.Var(0), handles);
    };
    map["EnumFiles"] = [](const TScriptHostCall& c) {
        QStringList files;
        for (int i = 0; i < GetDocumentWindowCount(); ++i)
            if (!GetDocumentWindow(i)->FileName.isEmpty())
                files.append(GetDocumentWindow(i)->FileName);
        StoreTexts(c.Var(0), files);
    };
    map["GetCurrentWindow"] = [](const TScriptHostCall& c) { c.ReturnInteger(WindowHandle(GetActiveDocumentWindow())); };
    map["IsWindow"] = [](const TScriptHostCall& c) { c.ReturnBoolean(WindowOfHandle(c.Integer(0)) != nullptr); };
    map["BringWindowToTop"] = [](const TScriptHostCall& c) {
        TQX_PluginWindow* window = WindowOfHandle(c.Integer(0));
        if (window)
            bringToFront(window);
        c.ReturnBoolean(window != nullptr);
    };
    map["WindowToFileName"] = [](const TScriptHostCall& c) {
        windowText(c, [](TQX_PluginWindow* w) { return w->FileName; });
    };
    map["WindowToPluginID"] = [](const TScriptHostCall& c) {
        windowText(c, [](TQX_PluginWindow* w) { return w->PluginID; });
    };
    map["WindowToPluginEntryID"] = [](const TScriptHostCall& c) {
        windowText(c, [](TQX_PluginWindow* w) { return w->EntryID; });
    };

    // Plug-ins
    map["EnumPluginIDs"] = [](const TScriptHostCall& c) {
        QStringList ids;
        for (int i = 0; i < GetPluginCount(); ++i)
            ids.append(GetPlugin(i)->ID);
        StoreTexts(c.Var(0), ids);
    };
    map["EnumPluginEntryIDs"] = [](const TScriptHostCall& c) {
        TQX_Plugin* plugin = FindPluginByID(ArgText(c, 0));
        if (!plugin || !plugin->Loaded)
            return;
        QStringList ids;
        for (int i = 0; i < plugin->GetEntryCount(); ++i)
            ids.append(plugin->GetEntry(i)->ID);
        StoreTexts(c.Var(1), ids);
        c.ReturnBoolean(true);
    };
    map["PluginIDToFullName"] = [](const TScriptHostCall& c) {
        TQX_Plugin* plugin = FindPluginByID(ArgText(c, 0));
        if (plugin && plugin->Loaded)
            StoreText(c.Var(1), plugin->GetFullName());
        c.ReturnBoolean(plugin && plugin->Loaded);
    };
    map["PluginIDToShortName"] = [](const TScriptHostCall& c) {
        TQX_Plugin* plugin = FindPluginByID(ArgText(c, 0));
        if (plugin && plugin->Loaded)
            StoreText(c.Var(1), plugin->GetName());
        c.ReturnBoolean(plugin && plugin->Loaded);
    };
    map["PluginEntryIDToName"] = [](const TScriptHostCall& c) {
        TQX_PluginEntry* entry = FindPluginEntryByID(ArgText(c, 0));
        if (entry)
            StoreText(c.Var(1), entry->GetName());
        c.ReturnBoolean(entry != nullptr);
    };

    // Documents list
    map["EnumDocuments"] = [](const TScriptHostCall& c) {
        TFrameWindowForm* frame = FrameWindow();
        StoreTexts(c.Var(0), frame ? frame->DocumentsList() : QStringList());
    };
    map["SetDocuments"] = [](const TScriptHostCall& c) {
        if (TFrameWindowForm* frame = FrameWindow())
            frame->SetDocumentsList(ArrayTexts(c.Var(0)));
    };
}

} // namespace qx::host
