// The entry points of the editor windows' library (see EditorLibrary.h).
#include "EditorLibrary.h"

#include "EditorWindow.h"

extern "C" QX_SDK_VISIBLE TQX_PluginWindow* QXTextEditorNewWindow(int kind)
{
    return new TTextEditorWindow(kind == 1 ? TTextEditorWindow::TKind::Script : TTextEditorWindow::TKind::Text);
}

extern "C" QX_SDK_VISIBLE void QXTextEditorRelease()
{
    RemoveEditorAccessibility();
}
