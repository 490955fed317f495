#pragma once
// The process-wide lists of open plug-in windows, in launch order: document
// windows (entry kinds 0 and 1) and tool windows (kinds 3 and 4). The lists
// do not own the windows; a window leaves its list when it is destroyed
// (its OnDestroyNotify). GUI thread only.
class TQX_PluginWindow;

void AddDocumentWindow(TQX_PluginWindow* window);
void AddToolWindow(TQX_PluginWindow* window);
// Removes the window (nothing if it is not listed). The OnDestroyNotify of
// document windows, which also requests a frame refresh.
void RemoveDocumentWindow(TQX_PluginWindow* window);
// The OnDestroyNotify of tool windows.
void RemoveToolWindow(TQX_PluginWindow* window);

int GetDocumentWindowCount();
// Null for an index out of range.
TQX_PluginWindow* GetDocumentWindow(int index);
int GetToolWindowCount();
TQX_PluginWindow* GetToolWindow(int index);

// First document window that is the application's active form: the current
// window of its document area when it sits in one, otherwise the active
// top-level window. Null if none.
TQX_PluginWindow* GetActiveDocumentWindow();
