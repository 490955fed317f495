#include "plugins/PluginWindowList.h"

#include "QX_Types.h"
#include "plugins/PluginFrame.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

#include <algorithm>
#include <vector>

namespace {

std::vector<TQX_PluginWindow*>& documentWindows()
{
    static std::vector<TQX_PluginWindow*> list;
    return list;
}

std::vector<TQX_PluginWindow*>& toolWindows()
{
    static std::vector<TQX_PluginWindow*> list;
    return list;
}

void add(std::vector<TQX_PluginWindow*>& list, TQX_PluginWindow* window)
{
    if (window && std::find(list.begin(), list.end(), window) == list.end())
        list.push_back(window);
}

bool remove(std::vector<TQX_PluginWindow*>& list, TQX_PluginWindow* window)
{
    auto it = std::find(list.begin(), list.end(), window);
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

TQX_PluginWindow* at(const std::vector<TQX_PluginWindow*>& list, int index)
{
    return index >= 0 && index < int(list.size()) ? list[index] : nullptr;
}

// A window in a document area is active when it is that area's current
// window (which it stays while the application is in the background); any
// other window when it is the active top-level window.
bool isActiveForm(TQX_PluginWindow* window)
{
    for (QWidget* w = window->parentWidget(); w; w = w->parentWidget()) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) {
            QMdiArea* area = sub->mdiArea();
            return area && area->currentSubWindow() == sub;
        }
    }
    return window->isWindow() && QApplication::activeWindow() == window;
}

} // namespace

void AddDocumentWindow(TQX_PluginWindow* window)
{
    add(documentWindows(), window);
}

void AddToolWindow(TQX_PluginWindow* window)
{
    add(toolWindows(), window);
}

void RemoveDocumentWindow(TQX_PluginWindow* window)
{
    if (remove(documentWindows(), window))
        PluginFrame().RequestToolbarUpdate();
}

void RemoveToolWindow(TQX_PluginWindow* window)
{
    remove(toolWindows(), window);
}

int GetDocumentWindowCount()
{
    return int(documentWindows().size());
}

TQX_PluginWindow* GetDocumentWindow(int index)
{
    return at(documentWindows(), index);
}

int GetToolWindowCount()
{
    return int(toolWindows().size());
}

TQX_PluginWindow* GetToolWindow(int index)
{
    return at(toolWindows(), index);
}

TQX_PluginWindow* GetActiveDocumentWindow()
{
    for (TQX_PluginWindow* window : documentWindows())
        if (isActiveForm(window))
            return window;
    return nullptr;
}
